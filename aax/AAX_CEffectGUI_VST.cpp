#include "aax/AAX_CEffectGUI_VST.h"

#include "aax/AaxIdentifiers.h"
#include "aax/Ks_AAX_Parameters.h"
#include "editor/KsEditor.h"
#include "platform/gui/CFrame.h"
#include "platform/gui/HeadlessBackend.h"
#include "platform/gui/x11/X11Backend.h"
#include "platform/vst/AEffEditor.h"
#include "platform/vst/AudioEffect.h"

namespace
{

// A host's float coordinate truncated to whole pixels; far-off or non-numeric values are held
// to the 16-bit range that editor rectangles use.
int pixel(float value)
{
    if (!(value > -32768.0f)) return value < 0.0f ? -32768 : 0;
    return value < 32767.0f ? static_cast<int>(value) : 32767;
}

} // namespace

AAX_IEffectGUI* AAX_CEffectGUI_VST::Create()
{
    return new AAX_CEffectGUI_VST();
}

AAX_CEffectGUI_VST::~AAX_CEffectGUI_VST()
{
    // The editor's frame must not outlive the back end it is shown through.
    if (viewOpen) DeleteViewContainer();
}

void AAX_CEffectGUI_VST::CreateViewContents()
{
    AEffEditor* found = nullptr;
    uint32_t written = 0;
    GetCustomData(Ks_AAX_Parameters::kEditorBlockID, sizeof found, &found, &written);
    editor = written == sizeof found ? found : nullptr;
    identifiers.clear();
    if (editor && editor->getEffect()) identifiers = parameterIdentifiers(*editor->getEffect());
}

void AAX_CEffectGUI_VST::CreateViewContainer()
{
    if (!editor || viewOpen || GetViewContainerType() != AAX_eViewContainer_Type_Native) return;
    if (GetViewContainerWindowSystem() == AAX_eWindowSystem_Headless)
        backend = std::make_unique<gui::HeadlessBackend>();
    else
        backend = std::make_unique<gui::X11Backend>();
    // The editor base (and every product editor derived from it) is shown through a back end.
    if (auto* skinned = dynamic_cast<KsEditor*>(editor)) skinned->setBackend(backend.get());
    viewOpen = editor->open(GetViewContainerPtr());
    auto* guiEditor = dynamic_cast<AEffGUIEditor*>(editor);
    frame = viewOpen && guiEditor ? guiEditor->getFrame() : nullptr;
    if (!viewOpen) backend.reset();
}

void AAX_CEffectGUI_VST::DeleteViewContainer()
{
    if (editor && viewOpen) editor->close();
    if (auto* skinned = dynamic_cast<KsEditor*>(editor)) skinned->setBackend(nullptr);
    viewOpen = false;
    frame = nullptr;
    backend.reset();
}

AAX_Result AAX_CEffectGUI_VST::GetViewSize(AAX_Point* size) const
{
    if (!frame || !size) return AAX_SUCCESS;
    const CRect& r = frame->getViewSize();
    size->horz = static_cast<float>(r.right - r.left);
    size->vert = static_cast<float>(r.bottom - r.top);
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectGUI_VST::Draw(AAX_Rect* rect)
{
    if (!frame || !rect) return AAX_SUCCESS;
    const int top = pixel(rect->top);
    const int left = pixel(rect->left);
    const int width = pixel(rect->width);
    const int height = pixel(rect->height);
    frame->redrawRect(CRect(left, top, left + width, top + height));
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectGUI_VST::TimerWakeup()
{
    if (editor && viewOpen) editor->idle();
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectGUI_VST::ParameterUpdated(AAX_CParamID id)
{
    auto* guiEditor = dynamic_cast<AEffGUIEditor*>(editor);
    const int index = findIdentifier(identifiers, id);
    if (guiEditor && index >= 0 && guiEditor->getEffect())
        guiEditor->setParameter(index, guiEditor->getEffect()->getParameter(index));
    return AAX_SUCCESS;
}
