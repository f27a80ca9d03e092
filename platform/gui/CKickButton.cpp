// The push button: on while held over it, off when released.
#include "platform/gui/CKickButton.h"

CKickButton::CKickButton(const CRect& rect, CControlListener* l, int t, const CBitmap* bitmap, CPoint offset)
    : CControl(rect, l, t, bitmap)
{
    backOffset = offset;
}

void CKickButton::draw(CDrawContext& context)
{
    if (background) drawStripFrame(context, value >= vmax ? 1 : 0, background->getHeight() / 2);
    setDirty(false);
}

void CKickButton::press(bool down)
{
    if (down == pressed) return;
    pressed = down;
    value = down ? vmax : vmin;
    setDirty();
    notifyValueChanged();
}

CMouseEventResult CKickButton::onMouseDown(CPoint&, int buttons)
{
    if (!(buttons & kLButton)) return kMouseEventNotHandled;
    beginEdit();
    press(true);
    return kMouseEventHandled;
}

CMouseEventResult CKickButton::onMouseMoved(CPoint& where, int buttons)
{
    if (isEditing() && (buttons & kLButton)) press(hitTest(where));
    return kMouseEventHandled;
}

CMouseEventResult CKickButton::onMouseUp(CPoint&, int)
{
    if (!isEditing()) return kMouseEventNotHandled;
    press(false);
    endEdit();
    return kMouseEventHandled;
}
