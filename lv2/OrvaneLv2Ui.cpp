#include "lv2/OrvaneLv2Ui.h"

#include "editor/EditorFactory.h"
#include "lv2/OrvaneLv2.h"
#include "platform/gui/CFrame.h"
#include "platform/vst/AEffEditor.h"

#include <lv2/instance-access/instance-access.h>

#include <cmath>
#include <cstring>

namespace
{

const void* featureData(const LV2_Feature* const* features, const char* uri)
{
    for (int i = 0; features && features[i]; ++i)
        if (features[i]->URI && std::strcmp(features[i]->URI, uri) == 0) return features[i]->data;
    return nullptr;
}

void readParameters(OrvaneLv2Shell& shell, OrvaneLv2UiSync::Parameters& into)
{
    for (int i = 0; i < OrvaneLv2UiSync::stored; ++i)
        into[i] = shell.getParameter(i);
}

} // namespace

OrvaneLv2Ui::OrvaneLv2Ui(LV2UI_Write_Function writer, LV2UI_Controller control,
                         const LV2_Feature* const* features)
    : writeFunction(writer), controller(control)
{
    const void* parent = featureData(features, LV2_UI__parent);
    auto* plugin = static_cast<OrvaneLv2*>(const_cast<void*>(featureData(features, LV2_INSTANCE_ACCESS_URI)));
    if (!writer || !parent || !plugin) return;
    touchFeature = static_cast<const LV2UI_Touch*>(featureData(features, LV2_UI__touch));
    const auto* resize = static_cast<const LV2UI_Resize*>(featureData(features, LV2_UI__resize));

    OrvaneLv2Shell& target = plugin->shell();
    // One user interface per instance: a second one would take the first one's editor away.
    if (target.hasUi()) return;
    readParameters(target, parameters);
    sync = std::make_unique<OrvaneLv2UiSync>(static_cast<OrvaneLv2UiSync::Host&>(*this), parameters);

    AEffGUIEditor* made = createEditorFor(target, backend);
    if (!made) return;
    target.attachUi(this, made);
    shell = &target;
    editor = made;
    // The parent handle is the X window id the host gave.
    if (!editor->open(gui::X11Backend::parentHandle(reinterpret_cast<uintptr_t>(parent))) ||
        !editor->getFrame()) {
        closeEditor();
        return;
    }
    widgetId = reinterpret_cast<LV2UI_Widget>(static_cast<uintptr_t>(backend.windowOf(*editor->getFrame())));
    ERect* rect = nullptr;
    if (resize && resize->ui_resize && editor->getRect(&rect) && rect)
        resize->ui_resize(resize->handle, rect->right - rect->left, rect->bottom - rect->top);
}

OrvaneLv2Ui::~OrvaneLv2Ui()
{
    closeEditor();
}

void OrvaneLv2Ui::closeEditor()
{
    if (!shell) return;
    AEffGUIEditor* released = shell->detachUi();
    shell = nullptr;
    if (released) {
        released->close();
        delete released;
    }
    editor = nullptr;
}

void OrvaneLv2Ui::shellGone()
{
    closeEditor();
}

void OrvaneLv2Ui::portEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
    if (!editor || port >= OrvaneLv2Ports::controlCount || format != 0 || size != sizeof(float) || !buffer)
        return;
    float value = 0.0f;
    std::memcpy(&value, buffer, sizeof value);
    const float normalised = sync->toNormalised(port, value);
    if (!std::isfinite(value) || normalised < 0.0f) return;
    sync->portEvent(port, value);
    suppressing = true;
    editor->setParameter(static_cast<VstInt32>(port), normalised);
    suppressing = false;
}

int OrvaneLv2Ui::idle()
{
    if (!editor || !shell) return 1;
    shell->takeDeferred([this](int i) { sync->deferred(i, shell->getParameter(i)); });
    readParameters(*shell, parameters);
    sync->beginAction(parameters);
    recording = true;
    editor->idle();
    recording = false;
    if (!editor || !shell) return 1;
    readParameters(*shell, parameters);
    sync->endAction(parameters);
    return 0;
}

bool OrvaneLv2Ui::automated(int index, float normalised)
{
    if (suppressing) return true;
    if (!recording) return false;
    sync->written(index, normalised);
    return true;
}

void OrvaneLv2Ui::gesture(int index, bool begins)
{
    if (recording) sync->gesture(index, begins);
}

void OrvaneLv2Ui::writePort(uint32_t port, float value)
{
    writeFunction(controller, port, sizeof value, 0, &value);
}

void OrvaneLv2Ui::touchPort(uint32_t port, bool grabbed)
{
    if (touchFeature && touchFeature->touch) touchFeature->touch(touchFeature->handle, port, grabbed);
}

// ---- LV2 UI entry points ------------------------------------------------------------------------

namespace
{

OrvaneLv2Ui* self(LV2UI_Handle handle)
{
    return static_cast<OrvaneLv2Ui*>(handle);
}

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*,
                         LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                         const LV2_Feature* const* features)
{
    if (!pluginUri || std::strcmp(pluginUri, OrvaneLv2Ports::pluginUri) != 0 || !widget) return nullptr;
    try {
        auto* ui = new OrvaneLv2Ui(write, controller, features);
        if (!ui->ok()) {
            delete ui;
            return nullptr;
        }
        *widget = ui->widget();
        return ui;
    } catch (...) {
        return nullptr;
    }
}

void cleanup(LV2UI_Handle handle)
{
    delete self(handle);
}

void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
    self(handle)->portEvent(port, size, format, buffer);
}

int idle(LV2UI_Handle handle)
{
    return self(handle)->idle();
}

const void* extensionData(const char* uri)
{
    static const LV2UI_Idle_Interface idleInterface = {idle};
    if (uri && std::strcmp(uri, LV2_UI__idleInterface) == 0) return &idleInterface;
    return nullptr;
}

const LV2UI_Descriptor descriptor = {OrvaneLv2Ports::uiUri, instantiate, cleanup, portEvent, extensionData};

} // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
    return index == 0 ? &descriptor : nullptr;
}
