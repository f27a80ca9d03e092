// The vertical slider: handle position from the value, drags that keep the grab point.
#include "platform/gui/CVerticalSlider.h"

#include <algorithm>
#include <cmath>

CVerticalSlider::CVerticalSlider(const CRect& rect, CControlListener* l, int t, int travelPixels,
                                 const CBitmap* handleBitmap, const CBitmap* backgroundBitmap, CPoint offset,
                                 Style s)
    : CControl(rect, l, t, backgroundBitmap), travel(std::max(travelPixels, 0)), handle(handleBitmap),
      style(s)
{
    backOffset = offset;
}

CRect CVerticalSlider::handleRect() const
{
    const int w = handle ? handle->getWidth() : size.getWidth();
    const int h = handle ? handle->getHeight() : 0;
    const float n = getValueNormalized();
    const int top = int(std::lround(travel * (style == kBottom ? 1.0 - n : double(n))));
    const int left = size.left + (size.getWidth() - w) / 2;
    return {left, size.top + top, left + w, size.top + top + h};
}

float CVerticalSlider::valueForHandleTop(double top) const
{
    if (travel == 0) return value;
    const double t = std::clamp(top / travel, 0.0, 1.0);
    const double n = style == kBottom ? 1.0 - t : t;
    return float(vmin + n * (vmax - vmin));
}

void CVerticalSlider::draw(CDrawContext& context)
{
    if (background) context.drawBitmap(*background, size, backOffset);
    if (handle) context.drawBitmap(*handle, handleRect());
    setDirty(false);
}

CMouseEventResult CVerticalSlider::onMouseDown(CPoint& where, int buttons)
{
    if (!(buttons & kLButton)) return kMouseEventNotHandled;
    if (beginPress(buttons)) {
        dragging = false;
        return kMouseEventHandled;
    }
    const CRect grip = handleRect();
    if (!grip.pointInside(where)) {
        // A press beside the handle moves the handle's centre there first.
        changeValue(valueForHandleTop(where.y - size.top - grip.getHeight() / 2.0));
    }
    grabTop = handleRect().top - size.top;
    pressPoint = where;
    fine = (buttons & kShift) != 0;
    dragging = true;
    return kMouseEventHandled;
}

CMouseEventResult CVerticalSlider::onMouseMoved(CPoint& where, int buttons)
{
    if (!dragging || !(buttons & kLButton)) return kMouseEventHandled;
    const double moved = (where.y - pressPoint.y) / (fine ? double(fineFactor) : 1.0);
    changeValue(valueForHandleTop(grabTop + moved));
    return kMouseEventHandled;
}

CMouseEventResult CVerticalSlider::onMouseUp(CPoint&, int)
{
    dragging = false;
    endEdit();
    return kMouseEventHandled;
}
