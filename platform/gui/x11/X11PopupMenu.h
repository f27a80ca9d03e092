// Popup menus on X11, drawn by the toolkit itself: one override-redirect window per open level
// (the menu and each open submenu), with separators, check marks, submenu arrows and columns.
//
// Using it: runPopupMenu(display, screen, menu, rootX, rootY, otherEvent) opens the menu on that
// screen (the editor window's) with its top-left corner at the screen point (moved left or up to stay on the
// screen), grabs pointer and keyboard, and runs a nested event loop until the user chose an entry or
// cancelled. Events of other windows of the same connection (the editor's exposes) go to otherEvent
// meanwhile.
//   Result: the path of entry indices to the chosen entry (top level first, one more index per
//   submenu), empty when cancelled.
//   Choosing: a click on an entry, or a press on the opening control dragged to an entry and
//   released there; Return on the highlighted entry. Submenus open when the pointer rests on their
//   entry (or on a click, Return or the Right key). Up and Down move the highlight, Left closes a
//   submenu.
//   Cancelling: Escape, a press outside every menu window, a release outside after a drag, or a
//   pointer grab that cannot be had.
//
// The geometry is separate so that it can be checked without a display:
//   menuLayout(menu, textWidth)   size of a menu window and the rectangle of each entry
//   entryAt(layout, point)        the entry under a window point, -1 for none
//   placeMenu(screen, size, at)   where a menu of that size opens for the wanted corner
//   placeSubmenu(screen, size, parentWindow, entry)
//                                 where a submenu opens beside its entry (right, else left)
//
// User-interface thread only.
#pragma once

#include "platform/gui/GuiTypes.h"

#include <X11/Xlib.h>
#include <functional>
#include <string>
#include <vector>

class COptionMenu;

namespace gui::x11
{

struct MenuMetrics {
    static constexpr int border = 1;
    static constexpr int entryHeight = 20;
    static constexpr int separatorHeight = 9;
    static constexpr int checkWidth = 22; // left of the text: room for the check mark
    static constexpr int arrowWidth = 18; // right of the text: room for a submenu arrow
    static constexpr int textRight = 12;  // space after the text
    static constexpr int minColumnWidth = 90;
    static constexpr double fontSize = 13.0;
};

struct MenuLayout {
    int width = 0;
    int height = 0;
    std::vector<CRect> entries; // in window pixels, one per entry (separators included)
};

MenuLayout menuLayout(const COptionMenu& menu, const std::function<int(const std::string&)>& textWidth);
int entryAt(const MenuLayout& layout, CPoint point);
CPoint placeMenu(const CRect& screen, CPoint size, CPoint at);
CPoint placeSubmenu(const CRect& screen, CPoint size, const CRect& parentWindow, const CRect& entry);

std::vector<int> runPopupMenu(Display* display, int screen, const COptionMenu& menu, int rootX, int rootY,
                              const std::function<void(const XEvent&)>& otherEvent);

} // namespace gui::x11
