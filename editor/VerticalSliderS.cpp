// The editor's slider: MIDI-learn menu and the value read-out on hover.
#include "editor/VerticalSliderS.h"

VerticalSliderS::VerticalSliderS(const CRect& rect, CControlListener* l, int t, int travelPixels,
                                 const CBitmap* handleBitmap, const CBitmap* backgroundBitmap, CPoint offset,
                                 KsEditor* owner)
    : CVerticalSlider(rect, l, t, travelPixels, handleBitmap, backgroundBitmap, offset, kBottom),
      editor(owner), hover(owner)
{
}

CMouseEventResult VerticalSliderS::onMouseDown(CPoint& where, int buttons)
{
    if (!isMenuPress(buttons)) return CVerticalSlider::onMouseDown(where, buttons);
    popupLearnMenu(*this, editor, where, {"Midi Learn"}, tag);
    notifyValueChanged();
    return kMouseEventHandled;
}

CMouseEventResult VerticalSliderS::onMouseUp(CPoint& where, int buttons)
{
    // The last value reaches the host inside the gesture, then the gesture ends.
    hover.releasedNow();
    notifyValueChanged();
    CVerticalSlider::onMouseUp(where, buttons);
    return kMouseEventHandled;
}

void VerticalSliderS::onMouseEntered(CPoint&, int)
{
    hover.entered(tag);
}

void VerticalSliderS::onMouseExited(CPoint&, int)
{
    hover.exited();
}
