// Value types of the GUI toolkit: points, rectangles, colours and the button-state bits.
//
// CPoint                      an integer pixel position
// CRect                       a half-open pixel rectangle [left, right) x [top, bottom)
//   getWidth(), getHeight()   the size; never negative for a normalised rectangle
//   pointInside(p)            p lies in the rectangle (left and top inclusive, right and bottom not)
//   offset(dx, dy)            the rectangle moved by (dx, dy)
//   intersect(r), unite(r)    the common part (empty when none) / the smallest rectangle holding both
//   isEmpty()                 no pixel inside
// CColor                      8-bit red, green, blue, alpha (straight, not premultiplied)
// Button-state bits           what a mouse event carries: which button and which modifier keys
//
// All toolkit coordinates are integers: bitmaps are placed at whole pixels, never scaled.
#pragma once

#include <algorithm>
#include <cstdint>

struct CPoint {
    int x = 0;
    int y = 0;

    constexpr CPoint() = default;
    constexpr CPoint(int px, int py) : x(px), y(py) {}
    constexpr CPoint offset(int dx, int dy) const { return {x + dx, y + dy}; }
    constexpr bool operator==(const CPoint&) const = default;
};

struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr CRect() = default;
    constexpr CRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}

    constexpr int getWidth() const { return right - left; }
    constexpr int getHeight() const { return bottom - top; }
    constexpr CPoint topLeft() const { return {left, top}; }
    constexpr bool isEmpty() const { return right <= left || bottom <= top; }
    constexpr bool pointInside(CPoint p) const
    {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    constexpr CRect offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    constexpr CRect intersect(const CRect& r) const
    {
        CRect c(std::max(left, r.left), std::max(top, r.top), std::min(right, r.right),
                std::min(bottom, r.bottom));
        return c.isEmpty() ? CRect() : c;
    }
    constexpr CRect unite(const CRect& r) const
    {
        if (isEmpty()) return r;
        if (r.isEmpty()) return *this;
        return {std::min(left, r.left), std::min(top, r.top), std::max(right, r.right),
                std::max(bottom, r.bottom)};
    }
    constexpr bool operator==(const CRect&) const = default;
};

struct CColor {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t alpha = 255;
    constexpr bool operator==(const CColor&) const = default;
};

// Button-state bits of mouse events (a press may carry several).
enum CButtonState : int {
    kLButton = 1 << 1, // left button
    kMButton = 1 << 2, // middle button
    kRButton = 1 << 3, // right button
    kShift = 1 << 4,   // shift key: fine adjustment on knobs and sliders
    kControl = 1 << 5, // control key: the default-value gesture
    kAlt = 1 << 6,     // alt key: swaps linear and circular knob handling for one drag
    kCommand = 1 << 7, // command key: with the left button, acts as the right button
};

// What a view answers to a mouse press: a handled press captures the pointer for that view.
enum CMouseEventResult { kMouseEventNotHandled = 0, kMouseEventHandled = 1 };
