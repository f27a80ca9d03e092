// Without an X server: pointer events as the toolkit's button bits, and popup menu geometry.
#include <gtest/gtest.h>

#include "platform/gui/COptionMenu.h"
#include "platform/gui/x11/X11PopupMenu.h"
#include "platform/gui/x11/X11Window.h"

using namespace gui::x11;
using Kind = PointerEvent::Kind;

TEST(X11Events, PointerEventsCarryTheToolkitsButtonBits)
{
    auto event = [](int type, unsigned int which, unsigned int state, int detail = 0) {
        XEvent e{};
        e.type = type;
        if (type == EnterNotify || type == LeaveNotify) {
            e.xcrossing.detail = detail;
        } else {
            e.xbutton.button = which; // motion's state shares the layout of a button event's
            e.xbutton.state = state;
            e.xbutton.x = 12;
            e.xbutton.y = 34;
        }
        return e;
    };
    const std::tuple<XEvent, bool, Kind, int> cases[] = {
        {event(ButtonPress, Button1, ShiftMask | ControlMask | Mod1Mask | Mod4Mask), true, Kind::down,
         kLButton | kShift | kControl | kAlt | kCommand},
        // a release carries the released button still in its state
        {event(ButtonRelease, Button3, Button3Mask | ShiftMask), true, Kind::up, kRButton | kShift},
        {event(ButtonPress, Button4, 0), false, Kind::moved, 0},
        {event(ButtonPress, Button1, LockMask | Mod2Mask), true, Kind::down, kLButton},
        {event(MotionNotify, 0, Button1Mask | ControlMask), true, Kind::moved, kLButton | kControl},
        {event(EnterNotify, 0, 0, NotifyAncestor), true, Kind::entered, 0},
        {event(LeaveNotify, 0, 0, NotifyInferior), false, Kind::moved, 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& [e, handled, kind, buttons] = cases[i];
        SCOPED_TRACE(i);
        PointerEvent out;
        ASSERT_EQ(pointerEvent(e, out), handled);
        if (!handled) continue;
        EXPECT_EQ(out.kind, kind);
        EXPECT_EQ(out.buttons, buttons);
        if (e.type != EnterNotify && e.type != LeaveNotify) {
            EXPECT_EQ(out.x, 12);
            EXPECT_EQ(out.y, 34);
        }
    }
}

TEST(X11PopupMenuGeometry, EntriesColumnsAndSeparators)
{
    using M = MenuMetrics;
    const auto sevenPerCharacter = [](const std::string& text) { return int(text.size()) * 7; };
    COptionMenu menu;
    menu.addEntry("Short");
    menu.addSeparator();
    menu.addEntry("A much longer entry text"); // 168 pixels of text
    auto* sub = new COptionMenu;
    sub->addEntry("Inner");
    menu.addEntry(sub, "Sub");

    MenuLayout one = menuLayout(menu, sevenPerCharacter);
    ASSERT_EQ(one.entries.size(), 4u);
    int column = M::checkWidth + 168 + M::textRight + M::arrowWidth;
    EXPECT_EQ(one.width, column + 2 * M::border);
    EXPECT_EQ(one.height, 3 * M::entryHeight + M::separatorHeight + 2 * M::border);
    EXPECT_EQ(one.entries[0], CRect(M::border, M::border, M::border + column, M::border + M::entryHeight));
    EXPECT_EQ(one.entries[1].getHeight(), M::separatorHeight);
    for (size_t i = 0; i < one.entries.size(); ++i) {
        const CRect& r = one.entries[i];
        EXPECT_EQ(entryAt(one, {r.left, r.top}), int(i));
        EXPECT_EQ(entryAt(one, {r.right - 1, r.bottom - 1}), int(i));
    }
    EXPECT_EQ(entryAt(one, {0, 0}), -1);

    // Two entries per column: three columns, each as wide as its own texts need.
    menu.setNbItemsPerColumn(2);
    MenuLayout columns = menuLayout(menu, sevenPerCharacter);
    EXPECT_EQ(columns.entries[2].left, columns.entries[0].right);
    EXPECT_EQ(columns.entries[2].getWidth(), column);

    // A hostile menu stays within what X can map.
    COptionMenu huge;
    for (int i = 0; i < 5000; ++i)
        huge.addEntry(std::string(3000, 'w'));
    MenuLayout big = menuLayout(huge, sevenPerCharacter);
    EXPECT_LE(big.width, 16000);
    EXPECT_LE(big.height, 16000);
    EXPECT_GT(big.height, 0);
}

TEST(X11PopupMenuGeometry, MenusStayOnTheScreen)
{
    const CRect screen(0, 0, 1280, 1024);
    const CPoint cases[][3] = {// size, wanted place, place
                               {{200, 100}, {10, 20}, {10, 20}},
                               {{200, 100}, {1200, 1000}, {1080, 924}},
                               {{2000, 2000}, {10, 10}, {0, 0}}};
    for (const auto& c : cases)
        EXPECT_EQ(placeMenu(screen, c[0], c[1]), c[2]);

    // A submenu opens right of its parent, level with its entry; without room there, on the left.
    CRect parent(100, 100, 300, 400), entry(101, 141, 299, 161);
    EXPECT_EQ(placeSubmenu(screen, {150, 80}, CRect(1100, 100, 1270, 400), entry), CPoint(950, 140));
    EXPECT_EQ(placeSubmenu(screen, {150, 80}, parent, CRect(101, 1001, 299, 1021)), CPoint(300, 944));
}
