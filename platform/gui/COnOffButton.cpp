// The two-state button.
#include "platform/gui/COnOffButton.h"

COnOffButton::COnOffButton(const CRect& rect, CControlListener* l, int t, const CBitmap* bitmap,
                           CPoint offset)
    : CControl(rect, l, t, bitmap)
{
    backOffset = offset;
}

void COnOffButton::draw(CDrawContext& context)
{
    if (background) drawStripFrame(context, value > vmin ? 1 : 0, background->getHeight() / 2);
    setDirty(false);
}

CMouseEventResult COnOffButton::onMouseDown(CPoint&, int buttons)
{
    if (!(buttons & kLButton)) return kMouseEventNotHandled;
    value = value > vmin ? vmin : vmax;
    setDirty();
    beginEdit();
    notifyValueChanged();
    endEdit();
    return kMouseEventHandled;
}
