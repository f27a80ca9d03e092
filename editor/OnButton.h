// OnButton: a button that only switches on. Its bitmap holds the off image on top and the on
// image below; the lower one is drawn while the value is not 0.
//
//   Press (left button only): a press carrying a modifier key (shift, control, alt, command) is
//   first offered to the listener's controlModifierClicked, which may take it. Otherwise the value
//   becomes the maximum and the listener hears begin edit, the change and end edit. The button
//   never switches itself off; the parameter does that from elsewhere.
//
// User-interface thread only.
#pragma once

#include "platform/gui/COnOffButton.h"

class OnButton : public COnOffButton
{
  public:
    OnButton(const CRect& size, CControlListener* listener, int tag, const CBitmap* bitmap,
             CPoint offset = {});

    void draw(CDrawContext& context) override;
    CMouseEventResult onMouseDown(CPoint& where, int buttons) override;
};
