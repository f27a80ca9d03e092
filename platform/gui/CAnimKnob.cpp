// The animated knob: frame selection from the value, linear and circular drags, fine adjustment.
#include "platform/gui/CAnimKnob.h"

#include "platform/gui/CFrame.h"

#include <algorithm>
#include <cmath>

CAnimKnob::CAnimKnob(const CRect& rect, CControlListener* l, int t, int frames, int height,
                     const CBitmap* bitmap, CPoint offset)
    : CControl(rect, l, t, bitmap), frameCount(std::max(frames, 1)), frameHeight(std::max(height, 1))
{
    backOffset = offset;
}

int CAnimKnob::frameForValue(float normalised) const
{
    // The frame whose top is the largest multiple of the frame height not above
    // value * (frames - 1) * frame height (in whole pixels).
    const float v = std::clamp(normalised, 0.0f, 1.0f);
    const int pixels = int(v * float((frameCount - 1) * frameHeight));
    return std::min(pixels / frameHeight, frameCount - 1);
}

void CAnimKnob::draw(CDrawContext& context)
{
    if (background) drawStripFrame(context, frameForValue(getValueNormalized()), frameHeight);
    setDirty(false);
}

CKnobMode CAnimKnob::getEffectiveKnobMode() const
{
    if (knobMode != kFrameKnobMode) return knobMode;
    const CFrame* frame = getFrame();
    return frame ? frame->getKnobMode() : kLinearMode;
}

float CAnimKnob::valueFromAngle(CPoint centre, CPoint where, float current)
{
    const double dx = where.x - centre.x;
    const double dy = centre.y - where.y;
    if (dx == 0 && dy == 0) return current;
    double degrees = std::atan2(dy, dx) * 180.0 / M_PI; // -180..180, 90 is straight up
    if (degrees < -90.0) degrees += 360.0;              // -90..270: the gap below lies at the ends
    // 225 degrees (lower left) is 0, clockwise to -45 degrees (lower right), which is 1.
    return float(std::clamp((225.0 - degrees) / 270.0, 0.0, 1.0));
}

CMouseEventResult CAnimKnob::onMouseDown(CPoint& where, int buttons)
{
    if (!(buttons & kLButton)) return kMouseEventNotHandled;
    if (beginPress(buttons)) {
        dragging = false;
        return kMouseEventHandled;
    }
    CKnobMode mode = getEffectiveKnobMode();
    if (buttons & kAlt) mode = mode == kCircularMode ? kLinearMode : kCircularMode;
    dragCircular = mode == kCircularMode;
    dragDivisor = float(kLinearRange) * ((buttons & kShift) ? fineFactor : 1.0f);
    pressPoint = where;
    pressValue = value;
    dragging = true;
    return kMouseEventHandled;
}

CMouseEventResult CAnimKnob::onMouseMoved(CPoint& where, int buttons)
{
    if (!dragging || !(buttons & kLButton)) return kMouseEventHandled;
    const float range = vmax - vmin;
    float next;
    if (dragCircular) {
        const CPoint centre(size.left + size.getWidth() / 2, size.top + size.getHeight() / 2);
        next = vmin + range * valueFromAngle(centre, where, getValueNormalized());
    } else {
        const int moved = (pressPoint.y - where.y) + (where.x - pressPoint.x);
        next = pressValue + range * float(moved) / dragDivisor;
    }
    changeValue(next);
    return kMouseEventHandled;
}

CMouseEventResult CAnimKnob::onMouseUp(CPoint&, int)
{
    dragging = false;
    endEdit();
    return kMouseEventHandled;
}
