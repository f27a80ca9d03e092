// ScrollSelector: a one-line selector of an integer parameter (range 0..100): an arrow at each
// end, the current entry's text between them, and a popup of every entry on a click between the
// arrows. Entry k is the value k / capacity.
//
// ScrollSelector(size, listener, tag, arrows, arrowWidth, font, capacity, background)
//                                 arrows: a strip of three frames of equal height, the top one is
//                                 drawn; capacity entries (at least 1), all of them counted and
//                                 empty at first; font may be nullptr (no text is drawn)
//   setEntryText(k, text)         the text of entry k (at most kEntryLength characters kept);
//                                 only for 0 <= k < entry count
//   getEntryText(k)               "" outside the entries
//   setEntryCount(n)              only when 0 <= n <= capacity; false (and nothing changes) else
//   getEntryCount(), getCapacity()
//   setArrowWidth(w), getArrowWidth()
//   getCurrentEntry()             0 when the count is 0, else int(value * capacity + 0.0001)
//                                 limited to count - 1
//   selectEntry(k)                k limited to 0..count - 1 (0 when the count is 0); the value
//                                 becomes k / capacity
//   idleTick()                    while an arrow is held, steps once more every 333 ms of the
//                                 frame's clock and tells the listener (auto-repeat)
//   getHeldArrow()                kNone, kNext or kPrevious
//   Press: on an arrow (both bounds inclusive) the entry steps at once and the arrow is held
//   until the release or until the pointer leaves; anywhere outside the middle zone the control
//   redraws and tells the listener. Between the arrows a popup lists the entries, the current one
//   checked; a choice selects it and tells the listener.
//
// User-interface thread only.
#pragma once

#include "platform/gui/CControl.h"

#include <cstdint>
#include <string>
#include <vector>

struct SkinFont;

class ScrollSelector : public CControl
{
  public:
    static constexpr int kEntryLength = 255;
    static constexpr uint32_t kRepeatMs = 333;
    enum Arrow { kNone = -1, kNext = 0, kPrevious = 1 };

    ScrollSelector(const CRect& size, CControlListener* listener, int tag, const CBitmap* arrows,
                   int arrowWidth, const SkinFont* font, int capacity, const CBitmap* background);

    void setEntryText(int k, const char* text);
    const std::string& getEntryText(int k) const;
    bool setEntryCount(int n);
    int getEntryCount() const { return count; }
    int getCapacity() const { return capacity; }
    void setArrowWidth(int w) { arrowWidth = w; }
    int getArrowWidth() const { return arrowWidth; }
    int getCurrentEntry() const;
    void selectEntry(int k);
    void idleTick();
    Arrow getHeldArrow() const { return held; }

    void draw(CDrawContext& context) override;
    CMouseEventResult onMouseDown(CPoint& where, int buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, int buttons) override;
    void onMouseExited(CPoint& where, int buttons) override;

  private:
    // Moves one entry in the held arrow's direction.
    void step(Arrow arrow);
    uint32_t now() const;

    const SkinFont* font;
    const CBitmap* editorBackground;
    int capacity;
    int count;
    std::vector<std::string> texts;
    int arrowWidth;
    Arrow held = kNone;
    uint32_t pressTime = 0;
};
