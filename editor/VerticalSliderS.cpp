// The editor's slider: its MIDI-learn menu.
#include "editor/VerticalSliderS.h"

VerticalSliderS::VerticalSliderS(const CRect& rect, CControlListener* l, int t, int travelPixels,
                                 const CBitmap* handleBitmap, const CBitmap* backgroundBitmap, CPoint offset,
                                 KsEditor* owner)
    : EditorValueControl(owner, rect, l, t, travelPixels, handleBitmap, backgroundBitmap, offset, kBottom)
{
}

CMouseEventResult VerticalSliderS::onMouseDown(CPoint& where, int buttons)
{
    if (!isMenuPress(buttons)) return CVerticalSlider::onMouseDown(where, buttons);
    contextMenu(where, {"Midi Learn"}, tag);
    return kMouseEventHandled;
}
