// CXYControlSurface: the XY pad. Dragging the cursor writes two engine parameters at once, the
// X target and the Y target; the pad offers MIDI learn for its two axes.
//
// CXYControlSurface(size, listener, tag, pad, cursor, lineColour, engine, xLearnIndex, yLearnIndex)
//   pad              the pad image, drawn over the whole control
//   cursor           a 9 x 9 cursor image (may be null: no cursor is drawn)
//   lineColour       colour of the four lines from the cursor to the corners
//   xLearnIndex, yLearnIndex
//                    parameters that "Midi Learn X" / "Midi Learn Y" arm (40 and 41)
//   setXTarget(i), setYTarget(i)
//                    the parameters the axes write (0 until set); an index outside the engine's
//                    parameters is ignored. Marks the pad dirty
//   getInnerRect()   the control inset by 4 pixels: the cursor's travel (parent coordinates)
//   mapPoint(p)      (x, y) values of a point, x 0 at the left and y 0 at the bottom of the inner
//                    rectangle, each limited to 0..1
//   cursorCorner()   top-left (cx, cy) of the cursor in control pixels, from the targets' values
//   lineColourOf(r, g, b, a)
//                    a colour from four skin values, each taken as its low 8 bits
//
// Mouse: a right press, or a left press with the command key, opens "Midi Learn X" / "Midi Learn
// Y". A left press begins the edit of the control and of both targets (told to the frame, which
// tells the host) and writes both targets through the engine's setParameter (the host is not
// told; the listener is); each drag does the same; the release ends the three edits.
// The pad keeps no value: it always draws what the two target parameters hold.
// User-interface thread only.
#pragma once

#include "platform/gui/CControl.h"
#include "platform/gui/CDrawContext.h"

#include <utility>

class KsPlugin;

class CXYControlSurface : public CControl
{
  public:
    static constexpr int kInset = 4;
    static constexpr int kCursorSize = 9;
    enum MenuEntry { kLearnX = 0, kLearnY = 1 };

    CXYControlSurface(const CRect& size, CControlListener* listener, int tag, const CBitmap* pad,
                      const CBitmap* cursor, CColor lineColour, KsPlugin* engine, int xLearnIndex,
                      int yLearnIndex);

    void setXTarget(int index);
    void setYTarget(int index);
    int getXTarget() const { return xTarget; }
    int getYTarget() const { return yTarget; }
    CColor getLineColour() const { return lineColour; }
    CRect getInnerRect() const;
    std::pair<float, float> mapPoint(CPoint where) const;
    CPoint cursorCorner() const;
    static CColor lineColourOf(int red, int green, int blue, int alpha);

    void draw(CDrawContext& context) override;
    CMouseEventResult onMouseDown(CPoint& where, int buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, int buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, int buttons) override;

  private:
    bool validTarget(int index) const;
    void openLearnMenu(CPoint where);
    void editTargets(bool begin);

    const CBitmap* cursor;
    CColor lineColour;
    KsPlugin* engine;
    int xLearnIndex;
    int yLearnIndex;
    int xTarget = 0;
    int yTarget = 0;
    bool dragging = false;
};
