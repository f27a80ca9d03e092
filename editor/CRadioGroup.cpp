// The radio group: button placement, the selection drawn, the first button hit chosen.
#include "editor/CRadioGroup.h"

#include <algorithm>

CRadioGroup::CRadioGroup(const CRect& rect, CControlListener* l, int t, int buttons, int dx, int dy)
    : CControl(rect, l, t), buttonCount(std::max(buttons, 0)), xSpacing(dx), ySpacing(dy)
{
}

void CRadioGroup::addButtonBitmap(const CBitmap* bitmap)
{
    if (int(bitmaps.size()) < buttonCount) bitmaps.push_back(bitmap);
}

CRect CRadioGroup::buttonRect(int i) const
{
    if (i < 0 || i >= int(bitmaps.size()) || !bitmaps[std::size_t(i)]) return {};
    const CBitmap& b = *bitmaps[std::size_t(i)];
    const int left = size.left + i * xSpacing;
    const int top = size.top + i * ySpacing;
    return {left, top, left + b.getWidth(), top + b.getHeight() / 2};
}

int CRadioGroup::getSelected() const
{
    return static_cast<int>(value * 100.0f + 0.0001f);
}

void CRadioGroup::draw(CDrawContext& context)
{
    const int selected = getSelected();
    for (int i = 0; i < int(bitmaps.size()); ++i) {
        const CRect r = buttonRect(i);
        if (r.isEmpty()) continue;
        context.drawBitmap(*bitmaps[std::size_t(i)], r, {0, i == selected ? r.getHeight() : 0});
    }
    setDirty(false);
}

CMouseEventResult CRadioGroup::onMouseDown(CPoint& where, int)
{
    for (int i = 0; i < int(bitmaps.size()); ++i) {
        const CRect r = buttonRect(i);
        if (r.isEmpty()) continue;
        // Edges count as inside, so the lower-numbered of two touching buttons takes their edge.
        const bool hit = where.x >= r.left && where.x <= r.right && where.y >= r.top && where.y <= r.bottom;
        if (!hit) continue;
        if (i != getSelected()) {
            setValue(float(std::min(i, buttonCount - 1)) / 100.0f);
            setDirty();
            notifyValueChanged();
        }
        break;
    }
    return kMouseEventHandled;
}
