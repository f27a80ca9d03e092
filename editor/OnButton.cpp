// The switch-on button.
#include "editor/OnButton.h"

OnButton::OnButton(const CRect& rect, CControlListener* l, int t, const CBitmap* bitmap, CPoint offset)
    : COnOffButton(rect, l, t, bitmap, offset)
{
}

void OnButton::draw(CDrawContext& context)
{
    if (background) drawStripFrame(context, value != 0.0f ? 1 : 0, background->getHeight() / 2);
    setDirty(false);
}

CMouseEventResult OnButton::onMouseDown(CPoint&, int buttons)
{
    if (!(buttons & kLButton)) return kMouseEventNotHandled;
    if ((buttons & (kShift | kControl | kAlt | kCommand)) && listener &&
        listener->controlModifierClicked(this, buttons))
        return kMouseEventHandled;
    setValue(1.0f);
    setDirty();
    if (listener) {
        beginEdit();
        notifyValueChanged();
        endEdit();
    }
    return kMouseEventHandled;
}
