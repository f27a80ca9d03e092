// The X11 back end on a real X server (run under xvfb-run): frames in parent windows, pixels, XTest
// clicks on controls and popup menus, and windows that come and go without leaking.
#include "../platform/gui/GuiTestSupport.h"

#include <gtest/gtest.h>

#include "platform/gui/CFrame.h"
#include "platform/gui/COnOffButton.h"
#include "platform/gui/COptionMenu.h"
#include "platform/gui/HeadlessBackend.h"
#include "platform/gui/x11/X11Backend.h"
#include "platform/gui/x11/X11PopupMenu.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

namespace
{

constexpr int maxPolls = 2000;
using Windows = std::vector<XWindowAttributes>;
using Act = std::function<void(Display*, const Windows&)>;

void waitABit()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

// The server may refuse a connection right after another closed: a few attempts. Two threads use Xlib.
Display* openDisplay()
{
    static const bool threaded = XInitThreads() != 0;
    (void)threaded;
    Display* d = nullptr;
    for (int attempt = 0; attempt < 5 && !d; ++attempt)
        d = XOpenDisplay(nullptr);
    return d;
}

void pressEscape(Display* d)
{
    KeyCode escape = XKeysymToKeycode(d, XK_Escape);
    XTestFakeKeyEvent(d, escape, True, 0);
    XTestFakeKeyEvent(d, escape, False, 0);
    XSync(d, False);
}

void click(Display* d, CPoint rootPoint, unsigned int button = Button1)
{
    XTestFakeMotionEvent(d, -1, rootPoint.x, rootPoint.y, 0);
    XTestFakeButtonEvent(d, button, True, 0);
    XTestFakeButtonEvent(d, button, False, 0);
    XSync(d, False);
}

// The children of a window, and its parent.
std::vector<Window> childrenOf(Display* d, Window window, Window* parent = nullptr)
{
    Window root, up, *children = nullptr;
    unsigned int count = 0;
    XSync(d, False);
    std::vector<Window> out;
    if (XQueryTree(d, window, &root, &up, &children, &count)) out.assign(children, children + count);
    if (children) XFree(children);
    if (parent) *parent = up;
    return out;
}

// The mapped override-redirect windows (open menu levels), bottom to top.
Windows menuWindows(Display* d, int screen = -1)
{
    Windows found;
    for (Window w : childrenOf(d, RootWindow(d, screen < 0 ? DefaultScreen(d) : screen))) {
        XWindowAttributes a;
        if (XGetWindowAttributes(d, w, &a) && a.override_redirect && a.map_state == IsViewable)
            found.push_back(a);
    }
    return found;
}

// A 40 x 80 strip: the off image on top (reds), the on image below (blues), every pixel different.
std::unique_ptr<CBitmap> buttonBitmap()
{
    return std::make_unique<CBitmap>(guitest::makeImage(40, 80, [](int x, int y) {
        const uint8_t a = uint8_t(x * 6), b = uint8_t((y % 40) * 6);
        return y >= 40 ? CColor{20, a, uint8_t(150 + b / 3), 255} : CColor{uint8_t(200 + x / 2), a, b, 255};
    }));
}

// A 120 x 100 frame: a background and an on/off button at (20, 30)-(60, 70).
struct Editor {
    CFrame frame;
    COnOffButton* button;
    Editor(gui::Backend& backend, void* parent, const CBitmap& bitmap, CControlListener* listener = nullptr)
        : frame(CRect(0, 0, 120, 100), parent, backend),
          button(new COnOffButton(CRect(20, 30, 60, 70), listener, 7, &bitmap))
    {
        frame.setBackgroundColor(CColor{30, 60, 90, 255});
        frame.addView(button);
        frame.redraw();
    }
};

// The scene painted by the headless back end.
gui::RgbaImage headlessPixels(const CBitmap& bitmap, bool on)
{
    gui::HeadlessBackend headless;
    gui::HeadlessParent parent;
    Editor reference(headless, &parent, bitmap);
    reference.button->setValue(on ? 1.0f : 0.0f);
    reference.frame.redraw();
    return parent.image;
}

// The menu a MenuOpener shows: Alpha, a separator, Beta, and More (Inner 0, Inner 1). Returns More.
COptionMenu* fillMenu(COptionMenu& menu)
{
    auto* sub = new COptionMenu;
    sub->addEntry("Inner 0");
    sub->addEntry("Inner 1");
    menu.addEntry("Alpha");
    menu.addSeparator();
    menu.addEntry("Beta");
    menu.addEntry(sub, "More");
    return sub;
}

// A view that opens a popup menu when pressed and keeps what was chosen.
struct MenuOpener : CView {
    explicit MenuOpener(const CRect& r) : CView(r) {}
    CMouseEventResult onMouseDown(CPoint& where, int) override
    {
        COptionMenu menu(CRect(), nullptr, 364, COptionMenu::kCheckStyle);
        COptionMenu* sub = fillMenu(menu);
        menu.setCurrent(0);
        opened = true;
        chosen = menu.popup(*getFrame(), localToFrame(where));
        inSubmenu = menu.getLastItemMenu(chosenIndex) == sub;
        return kMouseEventHandled;
    }
    CMouseEventResult onMouseUp(CPoint&, int) override { return ++releases, kMouseEventHandled; }
    bool opened = false, chosen = false, inSubmenu = false;
    int chosenIndex = -2, releases = 0;
};

// A frame holding a MenuOpener.
struct MenuScene {
    gui::X11Backend backend;
    CFrame frame;
    MenuOpener* opener = new MenuOpener(CRect(10, 10, 60, 40));
    explicit MenuScene(Window parent)
        : frame(CRect(0, 0, 200, 150), gui::X11Backend::parentHandle(parent), backend)
    {
        frame.addView(opener);
        frame.redraw();
    }
};

// The user of an open menu, on a connection of its own while the tested thread sits in the menu's
// loop: waits for `levels` menu windows and the menu's grab, then acts. Joined when it goes.
std::jthread menuUser(Act act, size_t levels = 1, int screen = -1, size_t* found = nullptr)
{
    return std::jthread([=] {
        Display* d = openDisplay();
        if (!d) return;
        Windows windows;
        for (int i = 0; i < maxPolls && (windows = menuWindows(d, screen)).size() < levels; ++i)
            waitABit();
        for (int i = 0; i < maxPolls; ++i, waitABit()) {
            int pointer = XGrabPointer(d, DefaultRootWindow(d), False, ButtonPressMask, GrabModeAsync,
                                       GrabModeAsync, None, None, CurrentTime);
            int keyboard =
                XGrabKeyboard(d, DefaultRootWindow(d), False, GrabModeAsync, GrabModeAsync, CurrentTime);
            XUngrabPointer(d, CurrentTime);
            XUngrabKeyboard(d, CurrentTime);
            XSync(d, False);
            if (pointer == AlreadyGrabbed && keyboard == AlreadyGrabbed) break;
        }
        if (found) *found = windows.size();
        if (windows.size() >= levels)
            act(d, windows);
        else
            pressEscape(d); // a menu elsewhere must not keep the tested thread waiting
        XCloseDisplay(d);
    });
}

// Screen point of entry `entry` of a menu window (entry heights do not depend on texts).
CPoint entryOnScreen(const XWindowAttributes& window, const COptionMenu& menu, int entry)
{
    const CRect r = gui::x11::menuLayout(menu, [](const std::string&) { return 10; }).entries[entry];
    return {window.x + r.left + 30, window.y + (r.top + r.bottom) / 2};
}

class X11Backend : public testing::Test
{
  protected:
    void SetUp() override
    {
        display = openDisplay();
        if (!display)
            GTEST_SKIP() << "no X server could be reached ($DISPLAY unset or refused); the test "
                            "command starts one with xvfb-run where it is installed";
        int event, error, major, minor;
        if (!XTestQueryExtension(display, &event, &error, &major, &minor))
            GTEST_SKIP() << "the X server has no XTest extension";
        parent = makeParent(10, 10, 400, 300);
    }
    void TearDown() override
    {
        if (!display) return;
        if (parent) XDestroyWindow(display, parent);
        XCloseDisplay(display);
    }

    Window makeParent(int x, int y, int w, int h, int screen = -1)
    {
        if (screen < 0) screen = DefaultScreen(display);
        Window window = XCreateSimpleWindow(display, RootWindow(display, screen), x, y, w, h, 0, 0,
                                            BlackPixel(display, screen));
        XMapWindow(display, window);
        XSync(display, False);
        return window;
    }

    // A point of a window on the default screen, in root coordinates.
    CPoint onScreen(Window window, CPoint p)
    {
        int x, y;
        Window child;
        XTranslateCoordinates(display, window, DefaultRootWindow(display), p.x, p.y, &x, &y, &child);
        return {x, y};
    }

    static bool idleUntil(CFrame& frame, const std::function<bool()>& done)
    {
        for (int i = 0; i < maxPolls; ++i, waitABit()) {
            frame.idle();
            if (done()) return true;
        }
        return false;
    }

    // The window's contents as straight RGB.
    gui::RgbaImage readWindow(Window window, int w, int h)
    {
        XSync(display, False);
        XImage* image = XGetImage(display, window, 0, 0, w, h, AllPlanes, ZPixmap);
        gui::RgbaImage out;
        if (!image) return out;
        out.width = w;
        out.height = h;
        auto channel = [](unsigned long pixel, unsigned long mask) {
            int shift = __builtin_ctzl(mask);
            return uint8_t(((pixel & mask) >> shift) * 255 / (mask >> shift));
        };
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                unsigned long p = XGetPixel(image, x, y);
                uint8_t px[4] = {channel(p, image->red_mask), channel(p, image->green_mask),
                                 channel(p, image->blue_mask), 255};
                out.pixels.insert(out.pixels.end(), px, px + 4);
            }
        XDestroyImage(image);
        return out;
    }

    static bool samePixel(const gui::RgbaImage& a, const gui::RgbaImage& b, int x, int y)
    {
        return std::equal(a.pixel(x, y), a.pixel(x, y) + 3, b.pixel(x, y));
    }
    static int differingPixels(const gui::RgbaImage& a, const gui::RgbaImage& b)
    {
        if (a.width != b.width || a.height != b.height) return -1;
        int count = 0;
        for (int y = 0; y < a.height; ++y)
            for (int x = 0; x < a.width; ++x)
                count += !samePixel(a, b, x, y);
        return count;
    }

    // Clicks the menu scene's opener; returns once the menu loop has ended.
    bool openMenu(MenuScene& s)
    {
        click(display, onScreen(s.backend.windowOf(s.frame), {20, 20}));
        return idleUntil(s.frame, [&] { return s.opener->opened; });
    }

    Display* display = nullptr;
    Window parent = 0;
};

} // namespace

TEST_F(X11Backend, FrameOpensAsAChildOfTheParentWindow)
{
    gui::X11Backend backend;
    CFrame frame(CRect(0, 0, 200, 150), gui::X11Backend::parentHandle(parent), backend);
    ASSERT_TRUE(frame.isOpen());
    Window child = backend.windowOf(frame), parentOfChild = 0;
    ASSERT_NE(child, 0u);
    childrenOf(display, child, &parentOfChild);
    EXPECT_EQ(parentOfChild, parent);
    XWindowAttributes a;
    ASSERT_TRUE(XGetWindowAttributes(display, child, &a));
    EXPECT_EQ(a.width, 200);
    EXPECT_EQ(a.height, 150);
    EXPECT_EQ(a.map_state, IsViewable);

    // Unusable parents (none, or destroyed) leave the frame closed.
    Window gone = makeParent(0, 0, 10, 10);
    XDestroyWindow(display, gone);
    XSync(display, False);
    for (unsigned long handle : {0ul, static_cast<unsigned long>(gone)}) {
        CFrame closed(CRect(0, 0, 50, 50), gui::X11Backend::parentHandle(handle), backend);
        EXPECT_FALSE(closed.isOpen()) << handle;
        EXPECT_EQ(backend.windowOf(closed), 0u);
        closed.idle();
    }
}

TEST_F(X11Backend, ExposeShowsTheSamePixelsAsTheHeadlessBackEnd)
{
    auto bitmap = buttonBitmap();
    gui::RgbaImage expected = headlessPixels(*bitmap, true);
    gui::X11Backend backend;
    Editor editor(backend, gui::X11Backend::parentHandle(parent), *bitmap);
    ASSERT_TRUE(editor.frame.isOpen());
    editor.button->setValue(1.0f);
    editor.frame.redraw();
    Window child = backend.windowOf(editor.frame);
    EXPECT_EQ(differingPixels(readWindow(child, 120, 100), expected), 0);

    backend.processEvents(editor.frame); // the expose of the first mapping
    // Painted over, then exposed in part: the back end alone (no frame redraw) repaints that part only.
    GC gc = XCreateGC(display, child, 0, nullptr);
    XSetForeground(display, gc, WhitePixel(display, DefaultScreen(display)));
    XFillRectangle(display, child, gc, 0, 0, 120, 100);
    XFreeGC(display, gc);
    XClearArea(display, child, 10, 20, 60, 50, True);
    XSync(display, False);
    EXPECT_GT(differingPixels(readWindow(child, 120, 100), expected), 0);
    const int outside = 120 * 100 - 60 * 50;
    for (int i = 0; i < maxPolls && differingPixels(readWindow(child, 120, 100), expected) > outside; ++i) {
        backend.processEvents(editor.frame);
        waitABit();
    }
    gui::RgbaImage shown = readWindow(child, 120, 100);
    EXPECT_EQ(differingPixels(shown, expected), outside);
    for (int y = 20; y < 70; ++y)
        for (int x = 10; x < 70; ++x)
            ASSERT_TRUE(samePixel(shown, expected, x, y)) << x << "," << y;
}

TEST_F(X11Backend, OtherPixelFormatsAreConverted)
{
    int screen = 1; // the test command's second screen, 16-bit colour (5, 6, 5 bits)
    if (ScreenCount(display) < 2 || DefaultDepthOfScreen(ScreenOfDisplay(display, screen)) != 16)
        GTEST_SKIP() << "the X server has no second screen of 16-bit colour";
    auto bitmap = buttonBitmap();
    gui::RgbaImage expected = headlessPixels(*bitmap, false);
    Window sixteenBit = makeParent(0, 0, 200, 200, screen);
    gui::X11Backend backend;
    Editor editor(backend, gui::X11Backend::parentHandle(sixteenBit), *bitmap);
    ASSERT_TRUE(editor.frame.isOpen());
    gui::RgbaImage shown = readWindow(backend.windowOf(editor.frame), 120, 100);
    ASSERT_EQ(shown.width, 120);
    // Each channel keeps its top bits: within one step of 5 (red, blue) or 6 (green) bits.
    int worst = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 120; ++x)
            for (int c = 0; c < 3; ++c)
                worst = std::max(worst, std::abs(shown.pixel(x, y)[c] - expected.pixel(x, y)[c]) * 8 /
                                            (c == 1 ? 4 : 8));
    EXPECT_LT(worst, 8 * 2) << "a channel is off by two steps or more";
    XDestroyWindow(display, sixteenBit);
}

// A click reaches the control under it, in its own editor only; other buttons and places do nothing.
TEST_F(X11Backend, ASyntheticClickReachesOnlyTheControlUnderIt)
{
    auto bitmap = buttonBitmap();
    Window secondParent = makeParent(500, 10, 300, 200);
    guitest::RecordingListener first, second;
    gui::X11Backend backend;
    Editor a(backend, gui::X11Backend::parentHandle(parent), *bitmap, &first),
        b(backend, gui::X11Backend::parentHandle(secondParent), *bitmap, &second);
    ASSERT_TRUE(a.frame.isOpen() && b.frame.isOpen());
    Window child = backend.windowOf(b.frame);
    EXPECT_NE(backend.windowOf(a.frame), child);

    click(display, onScreen(child, {40, 50}));
    ASSERT_TRUE(idleUntil(b.frame, [&] { return !second.values.empty(); }));
    EXPECT_EQ(b.button->getValue(), 1.0f);
    EXPECT_EQ(second.events, (std::vector<std::string>{"begin", "change", "end"}));
    EXPECT_EQ(readWindow(child, 120, 100).pixel(25, 35)[0], 20); // the idle redraw shows the "on" image
    click(display, onScreen(child, {40, 50}), Button3);
    click(display, onScreen(child, {100, 90}));
    for (int i = 0; i < 20; ++i) {
        a.frame.idle();
        b.frame.idle();
    }
    EXPECT_EQ(second.values.size(), 1u);
    EXPECT_EQ(a.button->getValue(), 0.0f);
    EXPECT_TRUE(first.events.empty());
    XDestroyWindow(display, secondParent);
}

// Entries chosen by a click (in the submenu "More" opens when the pointer rests on it), and menus
// cancelled; either way the menu's windows are gone afterwards.
TEST_F(X11Backend, PopupMenuChosenOrCancelled)
{
    COptionMenu top;
    COptionMenu* sub = fillMenu(top);
    const Act escape = [](Display* d, const Windows&) { pressEscape(d); };
    const auto clickOn = [](const COptionMenu& m, int entry) -> Act {
        return [&m, entry](Display* d, const Windows& w) { click(d, entryOnScreen(w.back(), m, entry)); };
    };
    const Act restOnMore = [&](Display* d, const Windows& w) {
        CPoint more = entryOnScreen(w.back(), top, 3);
        XTestFakeMotionEvent(d, -1, more.x, more.y, 0);
        XSync(d, False);
    };
    // How, the users (user i waits for i + 1 menu levels), the entry chosen (-1: cancelled), in the submenu.
    const std::tuple<const char*, std::vector<Act>, int, bool> cases[] = {
        {"Beta", {clickOn(top, 2)}, 2, false},
        {"Inner 1", {restOnMore, clickOn(*sub, 1)}, 1, true},
        {"Escape", {escape}, -1, false},
        {"click outside",
         {[](Display* d, const Windows&) {
             click(d, {1000, 900});
         }},
         -1,
         false},
        {"click on a separator, then Escape",
         {[&](Display* d, const Windows& w) {
             clickOn(top, 1)(d, w);
             pressEscape(d);
         }},
         -1,
         false},
    };
    for (const auto& [how, acts, chosenIndex, inSubmenu] : cases) {
        SCOPED_TRACE(how);
        MenuScene s(parent);
        {
            std::vector<std::jthread> users;
            for (size_t i = 0; i < acts.size(); ++i)
                users.push_back(menuUser(acts[i], i + 1));
            ASSERT_TRUE(openMenu(s));
        }
        EXPECT_EQ(s.opener->chosen, chosenIndex >= 0);
        EXPECT_EQ(s.opener->chosenIndex, chosenIndex);
        EXPECT_EQ(s.opener->inSubmenu, inSubmenu);
        EXPECT_TRUE(menuWindows(display).empty()) << "the menu's windows are gone";
        if (chosenIndex == 2) {
            // The press that opened the menu was released inside it: the view gets that release.
            EXPECT_EQ(s.opener->releases, 1);
            EXPECT_FALSE(s.frame.isMouseCaptured());
        }
    }
}

TEST_F(X11Backend, PopupMenuOpensOnTheEditorsScreen)
{
    int screen = 1;
    if (ScreenCount(display) < 2) GTEST_SKIP() << "the X server has no second screen";
    Window other = makeParent(0, 0, 200, 150, screen);
    gui::X11Backend backend;
    CFrame frame(CRect(0, 0, 200, 150), gui::X11Backend::parentHandle(other), backend);
    ASSERT_TRUE(frame.isOpen());
    COptionMenu menu;
    fillMenu(menu);
    size_t found = 0;
    {
        std::jthread user = menuUser([](Display* d, const Windows&) { pressEscape(d); }, 1, screen, &found);
        EXPECT_TRUE(backend.popupMenu(frame, menu, {20, 20}).empty());
    }
    EXPECT_EQ(found, 1u) << "no menu window on the editor's screen";
    XDestroyWindow(display, other);
}

TEST_F(X11Backend, WindowsComeAndGoWithoutLeaksOrFatalErrors)
{
    auto bitmap = buttonBitmap();
    auto openDescriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    };
    gui::X11Backend backend;
    auto descriptorsBefore = openDescriptors();
    for (int i = 0; i < 200; ++i) {
        Editor editor(backend, gui::X11Backend::parentHandle(parent), *bitmap);
        ASSERT_TRUE(editor.frame.isOpen());
        editor.frame.idle();
    }
    EXPECT_TRUE(childrenOf(display, parent).empty());
    EXPECT_EQ(openDescriptors(), descriptorsBefore);

    // A parent the host destroys while the editor is open: drawing before and after the back end
    // notices must not reach Xlib's fatal handler.
    Window doomed = makeParent(0, 0, 150, 120);
    Editor editor(backend, gui::X11Backend::parentHandle(doomed), *bitmap);
    ASSERT_TRUE(editor.frame.isOpen());
    XDestroyWindow(display, doomed);
    XSync(display, False);
    for (int i = 0; i < 10; ++i) {
        editor.frame.redraw();
        editor.frame.idle();
    }
}
