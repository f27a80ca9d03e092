#include "editor/CXYControlSurface.h"

#include "engine/KsPlugin.h"
#include "platform/gui/CFrame.h"
#include "platform/gui/COptionMenu.h"

#include <algorithm>
#include <vector>

CXYControlSurface::CXYControlSurface(const CRect& rect, CControlListener* l, int t, const CBitmap* pad,
                                     const CBitmap* cursorBitmap, CColor colour, KsPlugin* effectEngine,
                                     int xLearn, int yLearn)
    : CControl(rect, l, t, pad), cursor(cursorBitmap), lineColour(colour), engine(effectEngine),
      xLearnIndex(xLearn), yLearnIndex(yLearn)
{
}

CColor CXYControlSurface::lineColourOf(int red, int green, int blue, int alpha)
{
    return CColor{uint8_t(red & 0xFF), uint8_t(green & 0xFF), uint8_t(blue & 0xFF), uint8_t(alpha & 0xFF)};
}

bool CXYControlSurface::validTarget(int index) const
{
    return engine && engine->parameter(index) != nullptr;
}

void CXYControlSurface::setXTarget(int index)
{
    if (!validTarget(index)) return;
    xTarget = index;
    setDirty();
}

void CXYControlSurface::setYTarget(int index)
{
    if (!validTarget(index)) return;
    yTarget = index;
    setDirty();
}

CRect CXYControlSurface::getInnerRect() const
{
    return CRect(size.left + kInset, size.top + kInset, size.right - kInset, size.bottom - kInset);
}

std::pair<float, float> CXYControlSurface::mapPoint(CPoint where) const
{
    const CRect inner = getInnerRect();
    // A pad too small to have an inside maps everything to its lower left corner.
    const float w = float(inner.getWidth());
    const float h = float(inner.getHeight());
    const float fx = w > 0.0f ? float(where.x - inner.left) / w : 0.0f;
    const float fy = h > 0.0f ? 1.0f - float(where.y - inner.top) / h : 0.0f;
    return {std::clamp(fx, 0.0f, 1.0f), std::clamp(fy, 0.0f, 1.0f)};
}

CPoint CXYControlSurface::cursorCorner() const
{
    const CRect inner = getInnerRect();
    const float vx = engine ? std::clamp(engine->getParameter(xTarget), 0.0f, 1.0f) : 0.0f;
    const float vy = engine ? std::clamp(engine->getParameter(yTarget), 0.0f, 1.0f) : 0.0f;
    return CPoint(int(float(inner.getWidth()) * vx), int(float(inner.getHeight()) * (1.0f - vy)));
}

void CXYControlSurface::draw(CDrawContext& context)
{
    const int w = getWidth();
    const int h = getHeight();
    // Drawn off screen and copied whole, on a fresh transparent image each time.
    COffscreenContext off(std::max(w, 1), std::max(h, 1));
    if (background) off.drawBitmap(*background, CRect(0, 0, w, h));
    const CPoint c = cursorCorner();
    const CPoint p(c.x + kInset, c.y + kInset);
    off.setLineWidth(1.0);
    off.setFrameColor(lineColour);
    off.drawLines({{p, CPoint(1, 1)}, {p, CPoint(w, 1)}, {p, CPoint(1, h)}, {p, CPoint(w, h)}});
    if (cursor) off.drawBitmap(*cursor, CRect(c.x, c.y, c.x + kCursorSize, c.y + kCursorSize));
    off.copyTo(context, size);
    setDirty(false);
}

void CXYControlSurface::editTargets(bool begin)
{
    CFrame* frame = getFrame();
    if (!frame) return;
    for (int index : {xTarget, yTarget}) {
        if (begin)
            frame->beginEdit(index);
        else
            frame->endEdit(index);
    }
}

void CXYControlSurface::openLearnMenu(CPoint where)
{
    CFrame* frame = getFrame();
    if (!frame) return;
    const float before = value;
    COptionMenu menu(CRect(), nullptr, tag);
    menu.addEntry("Midi Learn X");
    menu.addEntry("Midi Learn Y");
    if (menu.popup(*frame, localToFrame(where)) && engine) {
        if (menu.getLastResult() == kLearnX) engine->setLearnTarget(xLearnIndex);
        if (menu.getLastResult() == kLearnY) engine->setLearnTarget(yLearnIndex);
    }
    setValue(before);
    setDirty();
    notifyValueChanged();
}

CMouseEventResult CXYControlSurface::onMouseDown(CPoint& where, int buttons)
{
    if ((buttons & kRButton) || ((buttons & kLButton) && (buttons & kCommand))) {
        openLearnMenu(where);
        return kMouseEventHandled;
    }
    if (!(buttons & kLButton)) return kMouseEventNotHandled;
    dragging = true;
    beginEdit();
    editTargets(true);
    onMouseMoved(where, buttons);
    return kMouseEventHandled;
}

CMouseEventResult CXYControlSurface::onMouseMoved(CPoint& where, int buttons)
{
    if (!dragging || !(buttons & kLButton)) return kMouseEventNotHandled;
    const auto [fx, fy] = mapPoint(where);
    if (engine) {
        engine->setParameter(xTarget, fx);
        engine->setParameter(yTarget, fy);
    }
    notifyValueChanged();
    setDirty();
    return kMouseEventHandled;
}

CMouseEventResult CXYControlSurface::onMouseUp(CPoint&, int)
{
    if (!dragging) return kMouseEventHandled;
    dragging = false;
    editTargets(false);
    endEdit();
    return kMouseEventHandled;
}
