// COnOffButton: a two-state button; its bitmap holds the off image on top and the on image below.
//
//   draw      the upper half of the bitmap when the value is the minimum, else the lower half
//   Press (left button): the value switches between minimum and maximum; the listener hears
//   begin edit, the change and end edit. Other presses are not handled.
//
// User-interface thread only.
#pragma once

#include "platform/gui/CControl.h"

class COnOffButton : public CControl
{
  public:
    COnOffButton(const CRect& size, CControlListener* listener, int tag, const CBitmap* bitmap,
                 CPoint offset = {});

    void draw(CDrawContext& context) override;
    CMouseEventResult onMouseDown(CPoint& where, int buttons) override;
};
