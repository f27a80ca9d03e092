// Popup menus: entries, submenus, check marks and the answer of a synchronous popup.
#include "platform/gui/COptionMenu.h"

#include "platform/gui/CFrame.h"

COptionMenu::COptionMenu(const CRect& rect, CControlListener* l, int t, int s)
    : CControl(rect, l, t), style(s)
{
    vmax = 0.0f;
}

COptionMenu::~COptionMenu() = default;

int COptionMenu::addEntry(const std::string& text, int flags)
{
    entries.push_back({text, flags, nullptr});
    vmax = float(entries.size() - 1);
    return int(entries.size()) - 1;
}

int COptionMenu::addEntry(COptionMenu* submenu, const std::string& text)
{
    entries.push_back({text, kNoFlags, std::unique_ptr<COptionMenu>(submenu)});
    vmax = float(entries.size() - 1);
    return int(entries.size()) - 1;
}

void COptionMenu::removeAllEntries()
{
    entries.clear();
    current = -1;
    vmax = 0.0f;
    lastResult = -1;
    lastMenu = nullptr;
}

const std::string& COptionMenu::getEntryText(int index) const
{
    static const std::string none;
    return validIndex(index) ? entries[size_t(index)].text : none;
}

bool COptionMenu::isSeparator(int index) const
{
    return validIndex(index) && entries[size_t(index)].text == "-" && !entries[size_t(index)].submenu;
}

bool COptionMenu::isDisabled(int index) const
{
    return validIndex(index) && (entries[size_t(index)].flags & kDisabled) != 0;
}

COptionMenu* COptionMenu::getSubMenu(int index) const
{
    return validIndex(index) ? entries[size_t(index)].submenu.get() : nullptr;
}

void COptionMenu::checkEntry(int index, bool checked)
{
    if (!validIndex(index)) return;
    int& flags = entries[size_t(index)].flags;
    flags = checked ? (flags | kChecked) : (flags & ~kChecked);
}

bool COptionMenu::isChecked(int index) const
{
    return validIndex(index) && (entries[size_t(index)].flags & kChecked) != 0;
}

bool COptionMenu::isEntryChecked(int index) const
{
    return isChecked(index) || ((style & kCheckStyle) && index == current && validIndex(index));
}

void COptionMenu::setCurrent(int index)
{
    current = validIndex(index) ? index : -1;
    if (current >= 0) value = float(current);
}

COptionMenu::Choice COptionMenu::resolveChoice(const std::vector<int>& path)
{
    COptionMenu* menu = this;
    for (size_t i = 0; i < path.size(); ++i) {
        const int index = path[i];
        if (!menu->validIndex(index)) return {};
        COptionMenu* sub = menu->getSubMenu(index);
        if (i + 1 == path.size()) {
            if (sub || menu->isSeparator(index) || menu->isDisabled(index)) return {};
            return {menu, index};
        }
        if (!sub) return {};
        menu = sub;
    }
    return {};
}

bool COptionMenu::popup(CFrame& frame, CPoint where)
{
    lastResult = -1;
    lastMenu = nullptr;
    const Choice choice = resolveChoice(frame.getBackend().popupMenu(frame, *this, where));
    if (!choice.menu) return false;
    lastMenu = choice.menu;
    lastResult = choice.index;
    choice.menu->lastMenu = choice.menu;
    choice.menu->lastResult = choice.index;
    if (choice.menu == this) {
        setCurrent(choice.index);
        notifyValueChanged();
    }
    return true;
}

COptionMenu* COptionMenu::getLastItemMenu(int& index) const
{
    index = lastMenu ? lastResult : -1;
    return lastMenu;
}

void COptionMenu::draw(CDrawContext&)
{
    setDirty(false);
}
