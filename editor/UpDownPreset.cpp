#include "editor/UpDownPreset.h"

#include "editor/PresetMenu.h"
#include "shell/KsPluginVST.h"

UpDownPreset::UpDownPreset(const CRect& area, CControlListener* l, int t, const CBitmap* bitmap,
                           KsPluginVST* owner)
    : CControl(area, l, t, bitmap), shell(owner)
{
}

CMouseEventResult UpDownPreset::onMouseDown(CPoint& where, int)
{
    heldHalf = where.y < size.top + size.getHeight() / 2 ? 0 : 1;
    state = heldHalf + 1;
    if (shell) stepProgram(*shell, heldHalf == 0 ? -1 : 1);
    notifyValueChanged();
    setDirty();
    return kMouseEventHandled;
}

CMouseEventResult UpDownPreset::onMouseUp(CPoint&, int)
{
    heldHalf = -1;
    state = 0;
    setDirty();
    return kMouseEventHandled;
}

void UpDownPreset::draw(CDrawContext& context)
{
    if (background) drawStripFrame(context, state, background->getHeight() / 3);
    setDirty(false);
}
