// CRadioGroup: a row (or column) of buttons of which one is selected; button i is the value
// i / 100 of an integer parameter (range 0..100).
//
// CRadioGroup(size, listener, tag, buttonCount, xSpacing, ySpacing)
//   addButtonBitmap(bitmap)       appends the next button's bitmap (two frames: unselected on
//                                 top, selected below); ignored once buttonCount are there
//   buttonRect(i)                 button i: at (left + i * xSpacing, top + i * ySpacing), as wide
//                                 as its bitmap and half as high (empty without a bitmap)
//   getSelected()                 int(value * 100 + 0.0001); may lie beyond the buttons
//   Press: the first button whose area holds the point (edges included, so a shared edge
//   belongs to the lower-numbered button) becomes the selection when it is not already, and the
//   listener is told. Every press is handled.
//
// User-interface thread only.
#pragma once

#include "platform/gui/CControl.h"

#include <vector>

class CRadioGroup : public CControl
{
  public:
    CRadioGroup(const CRect& size, CControlListener* listener, int tag, int buttonCount, int xSpacing,
                int ySpacing);

    void addButtonBitmap(const CBitmap* bitmap);
    int getButtonCount() const { return buttonCount; }
    CRect buttonRect(int i) const;
    int getSelected() const;

    void draw(CDrawContext& context) override;
    CMouseEventResult onMouseDown(CPoint& where, int buttons) override;

  private:
    int buttonCount;
    int xSpacing;
    int ySpacing;
    std::vector<const CBitmap*> bitmaps;
};
