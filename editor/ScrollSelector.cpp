// The scroll selector: entry texts, arrows with auto-repeat, and the popup of all entries.
#include "editor/ScrollSelector.h"

#include "editor/TextDisplay.h"
#include "platform/gui/CFrame.h"
#include "platform/gui/COptionMenu.h"

#include <algorithm>
#include <memory>

ScrollSelector::ScrollSelector(const CRect& rect, CControlListener* l, int t, const CBitmap* arrows, int aw,
                               const SkinFont* skinFont, int entries, const CBitmap* backgroundBitmap)
    : CControl(rect, l, t, arrows), font(skinFont), editorBackground(backgroundBitmap),
      capacity(std::max(entries, 1)), count(capacity), texts(static_cast<std::size_t>(capacity)),
      arrowWidth(aw)
{
}

void ScrollSelector::setEntryText(int k, const char* text)
{
    if (k < 0 || k >= count || !text) return;
    texts[static_cast<std::size_t>(k)].assign(
        text, std::min(std::char_traits<char>::length(text), static_cast<std::size_t>(kEntryLength)));
}

const std::string& ScrollSelector::getEntryText(int k) const
{
    static const std::string none;
    return k >= 0 && k < count ? texts[static_cast<std::size_t>(k)] : none;
}

bool ScrollSelector::setEntryCount(int n)
{
    if (n < 0 || n > capacity) return false;
    count = n;
    return true;
}

int ScrollSelector::getCurrentEntry() const
{
    if (count == 0) return 0;
    // 0.0001 absorbs the float error of k / capacity, so k / 100 reads back as k.
    const int k = static_cast<int>(value * float(capacity) + 0.0001f);
    return std::clamp(k, 0, count - 1);
}

void ScrollSelector::selectEntry(int k)
{
    k = count == 0 ? 0 : std::clamp(k, 0, count - 1);
    setValue(float(k) / float(capacity));
}

void ScrollSelector::step(Arrow arrow)
{
    selectEntry(getCurrentEntry() + (arrow == kNext ? 1 : -1));
}

uint32_t ScrollSelector::now() const
{
    const CFrame* frame = getFrame();
    return frame ? frame->getTicks() : 0;
}

void ScrollSelector::idleTick()
{
    if (held == kNone) return;
    const uint32_t ticks = now();
    if (ticks - pressTime <= kRepeatMs) return;
    pressTime = ticks;
    step(held);
    setDirty();
    notifyValueChanged();
}

void ScrollSelector::draw(CDrawContext& context)
{
    // A see-through arrow strip shows the editor's background behind it.
    if (editorBackground && background && !background->isOpaque())
        context.drawBitmap(*editorBackground, size, getFrameRect().topLeft());
    if (background) context.drawBitmap(*background, size, {0, 0});
    if (count > 0 && font) {
        const CRect text(size.left + arrowWidth + 5, size.top + 1, size.right - arrowWidth, size.bottom + 1);
        drawFontText(context, *font, text, texts[static_cast<std::size_t>(getCurrentEntry())].c_str());
    }
    setDirty(false);
}

CMouseEventResult ScrollSelector::onMouseDown(CPoint& where, int)
{
    const int l = size.left, r = size.right, t = size.top, b = size.bottom;
    const int w = arrowWidth;
    if (where.x < l + w || where.x > r - w || where.y < t || where.y > b) {
        if (where.y >= t && where.y <= b) {
            if (where.x >= r - w && where.x <= r)
                held = kNext;
            else if (where.x >= l && where.x <= l + w)
                held = kPrevious;
            if (held != kNone) {
                pressTime = now();
                step(held);
            }
        }
        setDirty();
        notifyValueChanged();
        return kMouseEventHandled;
    }
    CFrame* frame = getFrame();
    if (!frame) return kMouseEventHandled;
    auto menu = std::make_unique<COptionMenu>(CRect(), nullptr, -1, COptionMenu::kCheckStyle);
    for (int k = 0; k < count; ++k)
        menu->addEntry(texts[static_cast<std::size_t>(k)]);
    if (count > 0) menu->setCurrent(getCurrentEntry());
    if (menu->popup(*frame, localToFrame(where))) {
        int chosen = -1;
        if (menu->getLastItemMenu(chosen) == menu.get() && chosen >= 0) {
            selectEntry(chosen);
            notifyValueChanged();
            setDirty();
        }
    }
    return kMouseEventHandled;
}

CMouseEventResult ScrollSelector::onMouseUp(CPoint&, int)
{
    held = kNone;
    return kMouseEventHandled;
}

void ScrollSelector::onMouseExited(CPoint&, int)
{
    held = kNone;
}
