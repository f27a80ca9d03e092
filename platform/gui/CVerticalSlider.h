// CVerticalSlider: a handle bitmap that slides up and down over a background.
//
// CVerticalSlider(size, listener, tag, travel, handle, background, backOffset, style)
//   travel                the handle's top edge moves over 0..travel pixels below the control's
//                         top; with kBottom the minimum is at the bottom of the travel, with kTop
//                         at the top
//   draw                  the background part at backOffset over the control (when given), then
//                         the handle, centred horizontally
//   setFineFactor(f)      a drag with the shift key moves f times more slowly (1 at first)
//   Press (left button): begins an edit; the default-value gesture ends it at once. A press on
//   the handle drags it from where it was taken; a press elsewhere first moves the handle's
//   centre to the pointer. Release ends the edit. Every change tells the listener.
//
// User-interface thread only.
#pragma once

#include "platform/gui/CControl.h"

class CVerticalSlider : public CControl
{
  public:
    enum Style { kBottom = 0, kTop = 1 };

    CVerticalSlider(const CRect& size, CControlListener* listener, int tag, int travel, const CBitmap* handle,
                    const CBitmap* background, CPoint backOffset = {}, Style style = kBottom);

    void draw(CDrawContext& context) override;
    CMouseEventResult onMouseDown(CPoint& where, int buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, int buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, int buttons) override;

    void setFineFactor(float factor) { fineFactor = factor > 0.0f ? factor : 1.0f; }
    int getTravel() const { return travel; }
    const CBitmap* getHandle() const { return handle; }
    // The handle's rectangle for the current value (parent coordinates).
    CRect handleRect() const;

  private:
    // The normalised value that puts the handle's top edge at top (control coordinates).
    float valueForHandleTop(double top) const;

    int travel;
    const CBitmap* handle;
    Style style;
    float fineFactor = 1.0f;
    bool dragging = false;
    double grabTop = 0; // the handle's top (control coordinates) when the drag began
    CPoint pressPoint;
    bool fine = false;
};
