// The X11 back end on a real X server (run under xvfb-run): frames in parent windows, pixels, XTest
// clicks on controls and popup menus, and windows that come and go without leaking.
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

constexpr int maxPolls = 2000;

void pressEscape(Display* d)
{
    KeyCode escape = XKeysymToKeycode(d, XK_Escape);
    XTestFakeKeyEvent(d, escape, True, 0);
    XTestFakeKeyEvent(d, escape, False, 0);
    XSync(d, False);
}

struct Recorder : CControlListener {
    int changes = 0, begins = 0, ends = 0;
    void valueChanged(CControl*) override { ++changes; }
    void controlBeginEdit(CControl*) override { ++begins; }
    void controlEndEdit(CControl*) override { ++ends; }
};

// A 40 x 80 strip: the off image on top (reds), the on image below (blues), every pixel different.
std::unique_ptr<CBitmap> buttonBitmap()
{
    gui::RgbaImage image;
    image.width = 40;
    image.height = 80;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 40; ++x) {
            bool on = y >= 40;
            uint8_t a = uint8_t(x * 6), b = uint8_t((y % 40) * 6);
            uint8_t px[4] = {on ? uint8_t(20) : uint8_t(200 + x / 2), a, on ? uint8_t(150 + b / 3) : b, 255};
            image.pixels.insert(image.pixels.end(), px, px + 4);
        }
    return std::make_unique<CBitmap>(image);
}

COnOffButton* buildScene(CFrame& frame, const CBitmap& bitmap, CControlListener* listener)
{
    frame.setBackgroundColor(CColor{30, 60, 90, 255});
    auto* button = new COnOffButton(CRect(20, 30, 60, 70), listener, 7, &bitmap);
    frame.addView(button);
    return button;
}

// The scene painted by the headless back end.
gui::RgbaImage headlessPixels(const CBitmap& bitmap, bool on)
{
    gui::HeadlessBackend headless;
    gui::HeadlessParent headlessParent;
    CFrame reference(CRect(0, 0, 120, 100), &headlessParent, headless);
    buildScene(reference, bitmap, nullptr)->setValue(on ? 1.0f : 0.0f);
    reference.redraw();
    return headlessParent.image;
}

// A 120 x 100 frame showing the scene in an X11 parent window.
struct Editor {
    CFrame frame;
    COnOffButton* button;
    Editor(gui::X11Backend& backend, Window parent, const CBitmap& bitmap, CControlListener* listener = nullptr)
        : frame(CRect(0, 0, 120, 100), gui::X11Backend::parentHandle(parent), backend),
          button(buildScene(frame, bitmap, listener))
    {
        frame.redraw();
    }
};

// The menu a MenuOpener shows: Alpha, a separator, Beta, and More (Inner 0, Inner 1). Returns More.
COptionMenu* fillMenu(COptionMenu& menu)
{
    menu.addEntry("Alpha");
    menu.addSeparator();
    menu.addEntry("Beta");
    auto* sub = new COptionMenu;
    sub->addEntry("Inner 0");
    sub->addEntry("Inner 1");
    menu.addEntry(sub, "More");
    return sub;
}

// A view that opens a popup menu when pressed and keeps what was chosen.
class MenuOpener : public CView
{
  public:
    explicit MenuOpener(const CRect& r) : CView(r) {}

    CMouseEventResult onMouseDown(CPoint& where, int) override
    {
        COptionMenu menu(CRect(), nullptr, 364, COptionMenu::kCheckStyle);
        COptionMenu* sub = fillMenu(menu);
        menu.setCurrent(0);
        opened = true;
        chosen = menu.popup(*getFrame(), localToFrame(where));
        int index = -1;
        COptionMenu* in = menu.getLastItemMenu(index);
        chosenIndex = index;
        inSubmenu = in == sub;
        return kMouseEventHandled;
    }
    CMouseEventResult onMouseUp(CPoint&, int) override
    {
        ++releases;
        return kMouseEventHandled;
    }

    bool opened = false, chosen = false, inSubmenu = false;
    int chosenIndex = -2, releases = 0;
};

// A frame holding a MenuOpener.
struct MenuScene {
    gui::X11Backend backend;
    CFrame frame;
    MenuOpener* opener = new MenuOpener(CRect(10, 10, 60, 40));
    explicit MenuScene(Window parent) : frame(CRect(0, 0, 200, 150), gui::X11Backend::parentHandle(parent), backend)
    {
        frame.addView(opener);
        frame.redraw();
    }
};

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

    // A window point on the screen of that window.
    CPoint onScreen(Window window, CPoint p)
    {
        int x, y;
        Window child;
        XWindowAttributes a;
        XGetWindowAttributes(display, window, &a);
        XTranslateCoordinates(display, window, a.root, p.x, p.y, &x, &y, &child);
        return {x, y};
    }

    static void click(Display* d, CPoint rootPoint, unsigned int button = Button1, int screen = -1)
    {
        XTestFakeMotionEvent(d, screen, rootPoint.x, rootPoint.y, 0);
        XTestFakeButtonEvent(d, button, True, 0);
        XTestFakeButtonEvent(d, button, False, 0);
        XSync(d, False);
    }

    static bool idleUntil(CFrame& frame, const std::function<bool()>& done)
    {
        for (int i = 0; i < maxPolls; ++i) {
            frame.idle();
            if (done()) return true;
            waitABit();
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
            unsigned long max = mask >> shift;
            return uint8_t(((pixel & mask) >> shift) * 255 / max);
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

    static int differingPixels(const gui::RgbaImage& a, const gui::RgbaImage& b)
    {
        if (a.width != b.width || a.height != b.height) return -1;
        int count = 0;
        for (int y = 0; y < a.height; ++y)
            for (int x = 0; x < a.width; ++x)
                count += !std::equal(a.pixel(x, y), a.pixel(x, y) + 3, b.pixel(x, y));
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

// The mapped override-redirect windows (open menu levels), bottom to top.
std::vector<XWindowAttributes> menuWindows(Display* d, int screen = -1)
{
    if (screen < 0) screen = DefaultScreen(d);
    Window root, parentOfRoot, *children = nullptr;
    unsigned int count = 0;
    std::vector<XWindowAttributes> found;
    if (!XQueryTree(d, RootWindow(d, screen), &root, &parentOfRoot, &children, &count)) return found;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes a;
        if (XGetWindowAttributes(d, children[i], &a) && a.override_redirect && a.map_state == IsViewable)
            found.push_back(a);
    }
    if (children) XFree(children);
    return found;
}

// The user of an open menu, on a connection of its own while the tested thread sits in the menu's
// loop: waits for `levels` menu windows and the menu's grab, then acts.
class MenuUser
{
  public:
    explicit MenuUser(std::function<void(Display*, const std::vector<XWindowAttributes>&)> act,
                      size_t levels = 1, int screen = -1)
        : thread([this, act, levels, screen] {
              Display* d = openDisplay();
              if (!d) return;
              std::vector<XWindowAttributes> windows;
              for (int i = 0; i < maxPolls && (windows = menuWindows(d, screen)).size() < levels; ++i)
                  waitABit();
              for (int i = 0; i < maxPolls; ++i) {
                  int pointer = XGrabPointer(d, DefaultRootWindow(d), False, ButtonPressMask, GrabModeAsync,
                                             GrabModeAsync, None, None, CurrentTime);
                  int keyboard = XGrabKeyboard(d, DefaultRootWindow(d), False, GrabModeAsync, GrabModeAsync,
                                               CurrentTime);
                  XUngrabPointer(d, CurrentTime);
                  XUngrabKeyboard(d, CurrentTime);
                  XSync(d, False);
                  if (pointer == AlreadyGrabbed && keyboard == AlreadyGrabbed) break;
                  waitABit();
              }
              found = windows.size();
              if (windows.size() >= levels)
                  act(d, windows);
              else
                  pressEscape(d); // a menu elsewhere must not keep the tested thread waiting
              XCloseDisplay(d);
          })
    {
    }
    ~MenuUser() { thread.join(); }
    size_t found = 0;

  private:
    std::thread thread;
};

// Screen point of entry `entry` of a menu window (entry heights do not depend on texts).
CPoint entryOnScreen(const XWindowAttributes& window, const COptionMenu& menu, int entry)
{
    gui::x11::MenuLayout layout = gui::x11::menuLayout(menu, [](const std::string&) { return 10; });
    const CRect& r = layout.entries[entry];
    return {window.x + r.left + 30, window.y + (r.top + r.bottom) / 2};
}

} // namespace

TEST_F(X11Backend, FrameOpensAsAChildOfTheParentWindow)
{
    gui::X11Backend backend;
    CFrame frame(CRect(0, 0, 200, 150), gui::X11Backend::parentHandle(parent), backend);
    ASSERT_TRUE(frame.isOpen());
    Window child = backend.windowOf(frame);
    ASSERT_NE(child, 0u);
    Window root, parentOfChild, *children = nullptr;
    unsigned int count = 0;
    XSync(display, False);
    ASSERT_TRUE(XQueryTree(display, child, &root, &parentOfChild, &children, &count));
    if (children) XFree(children);
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
    Editor editor(backend, parent, *bitmap);
    ASSERT_TRUE(editor.frame.isOpen());
    editor.button->setValue(1.0f);
    CFrame& frame = editor.frame;
    frame.redraw();
    Window child = backend.windowOf(frame);
    EXPECT_EQ(differingPixels(readWindow(child, 120, 100), expected), 0);

    backend.processEvents(frame); // the expose of the first mapping
    // Painted over, then exposed in part: the back end alone (no frame redraw) repaints that part only.
    GC gc = XCreateGC(display, child, 0, nullptr);
    XSetForeground(display, gc, WhitePixel(display, DefaultScreen(display)));
    XFillRectangle(display, child, gc, 0, 0, 120, 100);
    XFreeGC(display, gc);
    XClearArea(display, child, 10, 20, 60, 50, True);
    XSync(display, False);
    EXPECT_GT(differingPixels(readWindow(child, 120, 100), expected), 0);
    for (int i = 0; i < maxPolls; ++i) {
        backend.processEvents(frame);
        if (differingPixels(readWindow(child, 120, 100), expected) <= 120 * 100 - 60 * 50) break;
        waitABit();
    }
    gui::RgbaImage shown = readWindow(child, 120, 100);
    EXPECT_EQ(differingPixels(shown, expected), 120 * 100 - 60 * 50);
    for (int y = 20; y < 70; ++y)
        for (int x = 10; x < 70; ++x)
            ASSERT_TRUE(
                std::equal(shown.pixel(x, y), shown.pixel(x, y) + 3, expected.pixel(x, y)))
                << x << "," << y;
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
    Editor editor(backend, sixteenBit, *bitmap);
    ASSERT_TRUE(editor.frame.isOpen());
    gui::RgbaImage shown = readWindow(backend.windowOf(editor.frame), 120, 100);
    ASSERT_EQ(shown.width, 120);
    // Each channel keeps its top bits: within one step of 5 (red, blue) or 6 (green) bits.
    int worst = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 120; ++x)
            for (int c = 0; c < 3; ++c) {
                int step = c == 1 ? 4 : 8;
                int d = std::abs(shown.pixel(x, y)[c] - expected.pixel(x, y)[c]);
                worst = std::max(worst, d * 8 / step);
            }
    EXPECT_LT(worst, 8 * 2) << "a channel is off by two steps or more";
    XDestroyWindow(display, sixteenBit);
}

TEST_F(X11Backend, ASyntheticClickReachesAControl)
{
    auto bitmap = buttonBitmap();
    Recorder listener;
    gui::X11Backend backend;
    Editor editor(backend, parent, *bitmap, &listener);
    ASSERT_TRUE(editor.frame.isOpen());
    CFrame& frame = editor.frame;
    Window child = backend.windowOf(frame);

    click(display, onScreen(child, {40, 50}));
    ASSERT_TRUE(idleUntil(frame, [&] { return listener.changes > 0; }));
    EXPECT_EQ(editor.button->getValue(), 1.0f);
    EXPECT_EQ(listener.begins, 1);
    EXPECT_EQ(listener.ends, 1);
    EXPECT_EQ(readWindow(child, 120, 100).pixel(25, 35)[0], 20); // the idle redraw shows the "on" image
    // A right-button press, and a press outside, change nothing.
    click(display, onScreen(child, {40, 50}), Button3);
    click(display, onScreen(child, {100, 90}));
    for (int i = 0; i < 20; ++i)
        frame.idle();
    EXPECT_EQ(listener.changes, 1);
}

TEST_F(X11Backend, PopupMenuEntryChosenByAClick)
{
    COptionMenu top;
    COptionMenu* sub = fillMenu(top);
    {
        MenuScene s(parent);
        {
            MenuUser user([&](Display* d, const std::vector<XWindowAttributes>& windows) {
                click(d, entryOnScreen(windows.back(), top, 2)); // "Beta"
            });
            ASSERT_TRUE(openMenu(s));
        }
        EXPECT_TRUE(s.opener->chosen);
        EXPECT_EQ(s.opener->chosenIndex, 2);
        EXPECT_FALSE(s.opener->inSubmenu);
        EXPECT_TRUE(menuWindows(display).empty()) << "the menu's windows are gone";
        // The press that opened the menu was released inside it: the view gets that release.
        EXPECT_EQ(s.opener->releases, 1);
        EXPECT_FALSE(s.frame.isMouseCaptured());
    }

    // Resting on "More" opens its submenu; a second user clicks in it.
    MenuScene s2(parent);
    {
        MenuUser first([&](Display* d, const std::vector<XWindowAttributes>& windows) {
            CPoint more = entryOnScreen(windows.back(), top, 3);
            XTestFakeMotionEvent(d, -1, more.x, more.y, 0);
            XSync(d, False);
        });
        MenuUser second(
            [&](Display* d, const std::vector<XWindowAttributes>& windows) {
                click(d, entryOnScreen(windows.back(), *sub, 1));
            },
            2);
        ASSERT_TRUE(openMenu(s2));
    }
    EXPECT_TRUE(s2.opener->chosen);
    EXPECT_TRUE(s2.opener->inSubmenu);
    EXPECT_EQ(s2.opener->chosenIndex, 1);
}

TEST_F(X11Backend, PopupMenuCancelled)
{
    using Act = std::function<void(Display*, const std::vector<XWindowAttributes>&)>;
    COptionMenu top;
    fillMenu(top);
    const std::pair<const char*, Act> cases[] = {
        {"Escape", [](Display* d, const auto&) { pressEscape(d); }},
        {"click outside", [](Display* d, const auto&) { click(d, {1000, 900}); }},
        {"click on a separator, then Escape",
         [&](Display* d, const auto& windows) {
             click(d, entryOnScreen(windows.back(), top, 1));
             pressEscape(d);
         }},
    };
    for (const auto& [how, act] : cases) {
        MenuScene s(parent);
        {
            MenuUser user(act);
            ASSERT_TRUE(openMenu(s)) << how;
        }
        EXPECT_FALSE(s.opener->chosen) << how;
        EXPECT_EQ(s.opener->chosenIndex, -1) << how;
        EXPECT_TRUE(menuWindows(display).empty()) << how;
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
    MenuUser user([](Display* d, const auto&) { pressEscape(d); }, 1, screen);
    EXPECT_TRUE(backend.popupMenu(frame, menu, {20, 20}).empty());
    EXPECT_EQ(user.found, 1u) << "no menu window on the editor's screen";
    XDestroyWindow(display, other);
}

TEST_F(X11Backend, TwoEditorsKeepApart)
{
    auto bitmap = buttonBitmap();
    Window secondParent = makeParent(500, 10, 300, 200);
    Recorder first, second;
    gui::X11Backend backend;
    Editor a(backend, parent, *bitmap, &first), b(backend, secondParent, *bitmap, &second);
    ASSERT_TRUE(a.frame.isOpen() && b.frame.isOpen());
    EXPECT_NE(backend.windowOf(a.frame), backend.windowOf(b.frame));

    click(display, onScreen(backend.windowOf(b.frame), {40, 50}));
    ASSERT_TRUE(idleUntil(b.frame, [&] { return second.changes > 0; }));
    for (int i = 0; i < 20; ++i)
        a.frame.idle();
    EXPECT_EQ(b.button->getValue(), 1.0f);
    EXPECT_EQ(a.button->getValue(), 0.0f);
    EXPECT_EQ(first.changes, 0);
    XDestroyWindow(display, secondParent);
}

TEST_F(X11Backend, ParentDestroyedByTheHostWhileOpen)
{
    auto bitmap = buttonBitmap();
    gui::X11Backend backend;
    Window doomed = makeParent(0, 0, 150, 120);
    Editor editor(backend, doomed, *bitmap);
    ASSERT_TRUE(editor.frame.isOpen());
    XDestroyWindow(display, doomed);
    XSync(display, False);
    // Drawing before and after the destruction is noticed must not reach Xlib's fatal handler.
    editor.frame.redraw();
    for (int i = 0; i < 10; ++i) {
        editor.frame.idle();
        editor.frame.redraw();
    }
}

TEST_F(X11Backend, OpeningAndClosingLeaksNoWindowsOrConnections)
{
    auto bitmap = buttonBitmap();
    auto openDescriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                             std::filesystem::directory_iterator{});
    };
    gui::X11Backend backend;
    auto descriptorsBefore = openDescriptors();
    for (int i = 0; i < 200; ++i) {
        Editor editor(backend, parent, *bitmap);
        ASSERT_TRUE(editor.frame.isOpen());
        editor.frame.idle();
    }
    XSync(display, False);
    Window root, up, *children = nullptr;
    unsigned int count = 0;
    XQueryTree(display, parent, &root, &up, &children, &count);
    if (children) XFree(children);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(openDescriptors(), descriptorsBefore);
}
