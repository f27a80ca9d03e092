// UpDownPreset: a two-arrow button that steps through the programs. The bitmap holds three frames
// stacked vertically: normal, upper half pressed, lower half pressed.
//
// UpDownPreset(size, listener, tag, bitmap, shell)
//   onMouseDown(where, buttons)  upper half: previous program, lower half: next program (kept
//                                within 0..63); shows that half pressed and tells the listener
//   onMouseUp(where, buttons)    back to the normal frame
//   getState()                   the frame shown: 0 normal, 1 upper pressed, 2 lower pressed
//   getHeldHalf()                -1 none, 0 upper, 1 lower
//   draw(context)                the frame of the state over the control's rectangle
//
// User-interface thread only.
#pragma once

#include "platform/gui/CControl.h"

class KsPluginVST;

class UpDownPreset : public CControl
{
  public:
    UpDownPreset(const CRect& size, CControlListener* listener, int tag, const CBitmap* bitmap,
                 KsPluginVST* shell);

    int getState() const { return state; }
    int getHeldHalf() const { return heldHalf; }

    CMouseEventResult onMouseDown(CPoint& where, int buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, int buttons) override;
    void draw(CDrawContext& context) override;

  private:
    KsPluginVST* shell;
    int state = 0;
    int heldHalf = -1;
};
