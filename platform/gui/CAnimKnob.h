// CAnimKnob: a knob drawn from a vertical strip of frames, one frame per step of its value.
//
// CAnimKnob(size, listener, tag, frameCount, frameHeight, bitmap, offset)
//   draw                  frame k of the strip (source offset (offset.x, offset.y + k * frameHeight)),
//                         k = floor(normalised value * (frameCount - 1)), at the control's
//                         top-left corner
//   setFineFactor(f)      a drag with the shift key moves f times more slowly (1 at first)
//   setKnobMode(mode)     overrides the frame's knob mode for this knob (kFrameKnobMode: follow it)
//   Press (left button): begins an edit; the default-value gesture ends it at once. Otherwise
//   the drag that follows sets the value:
//     linear   (pixels moved up + pixels moved right since the press) / 200 of the range,
//              / (200 * fine factor) with shift held at the press
//     circular the pointer's angle around the knob's centre: 0 at the lower left (225 degrees),
//              the full value at the lower right (-45 degrees), clockwise over 270 degrees; in
//              the gap below the centre the value stays at the nearer end
//   The alt key held at the press swaps linear and circular for that drag. Release ends the edit.
//   Every change tells the listener.
//
// User-interface thread only.
#pragma once

#include "platform/gui/CControl.h"

enum CKnobMode { kCircularMode = 0, kLinearMode = 1, kFrameKnobMode = -1 };

class CAnimKnob : public CControl
{
  public:
    CAnimKnob(const CRect& size, CControlListener* listener, int tag, int frameCount, int frameHeight,
              const CBitmap* bitmap, CPoint offset = {});

    void draw(CDrawContext& context) override;
    CMouseEventResult onMouseDown(CPoint& where, int buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, int buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, int buttons) override;

    void setFineFactor(float factor) { fineFactor = factor > 0.0f ? factor : 1.0f; }
    float getFineFactor() const { return fineFactor; }
    void setKnobMode(CKnobMode mode) { knobMode = mode; }
    // The mode a drag starting now uses (this knob's, else the frame's, else linear).
    CKnobMode getEffectiveKnobMode() const;
    int getFrameCount() const { return frameCount; }
    int getFrameHeight() const { return frameHeight; }
    // The strip frame that value v (normalised) shows.
    int frameForValue(float normalised) const;

    // The normalised value at angle for a knob centred at centre (used by circular drags).
    static float valueFromAngle(CPoint centre, CPoint where, float current);

    static constexpr int kLinearRange = 200;

  private:
    int frameCount;
    int frameHeight;
    float fineFactor = 1.0f;
    CKnobMode knobMode = kFrameKnobMode;
    bool dragging = false;
    bool dragCircular = false;
    float dragDivisor = kLinearRange;
    CPoint pressPoint;
    float pressValue = 0.0f;
};
