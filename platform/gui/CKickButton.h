// CKickButton: a push button; its bitmap holds the normal image on top and the pressed image below.
//
//   draw      the lower half while pressed (value at the maximum), else the upper half
//   Press (left button): begins an edit, value to the maximum, listener told. Moving off the
//   button lets it go back to the minimum (and on again when the pointer returns). Release:
//   value back to the minimum, listener told, edit ends.
//
// User-interface thread only.
#pragma once

#include "platform/gui/CControl.h"

class CKickButton : public CControl
{
  public:
    CKickButton(const CRect& size, CControlListener* listener, int tag, const CBitmap* bitmap,
                CPoint offset = {});

    void draw(CDrawContext& context) override;
    CMouseEventResult onMouseDown(CPoint& where, int buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, int buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, int buttons) override;

  private:
    void press(bool down);
    bool pressed = false;
};
