// The X11 back end on a real X server (run under xvfb-run): frames in parent windows, pixels in
// either pixel format, popup menus on the editor's screen, and windows that come and go without
// leaking.
#include "../platform/gui/GuiTestSupport.h"

#include <gtest/gtest.h>

#include "platform/gui/CFrame.h"
#include "platform/gui/COnOffButton.h"
#include "platform/gui/COptionMenu.h"
#include "platform/gui/HeadlessBackend.h"
#include "platform/gui/x11/X11Backend.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

namespace
{

using namespace std::chrono_literals;
constexpr int maxPolls = 2000;

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

// The mapped override-redirect windows (open menu levels) of a screen.
int menuWindows(Display* d, int screen)
{
    int found = 0;
    for (Window w : childrenOf(d, RootWindow(d, screen))) {
        XWindowAttributes a;
        found += XGetWindowAttributes(d, w, &a) && a.override_redirect && a.map_state == IsViewable;
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
    Editor(gui::Backend& backend, void* parent, const CBitmap& bitmap)
        : frame(CRect(0, 0, 120, 100), parent, backend)
    {
        frame.setBackgroundColor(CColor{30, 60, 90, 255});
        frame.addView(new COnOffButton(CRect(20, 30, 60, 70), nullptr, 7, &bitmap));
        frame.redraw();
    }
};

// The user of an open menu, on a connection of its own while the tested thread sits in the menu's
// loop: waits for a menu window on the screen and the menu's grab, then presses Escape. Joined
// when it goes; `found` tells whether the menu window was there.
std::jthread escapeMenu(int screen, bool& found)
{
    return std::jthread([screen, &found] {
        Display* d = openDisplay();
        if (!d) return;
        for (int i = 0; i < maxPolls && !(found = menuWindows(d, screen) > 0); ++i)
            std::this_thread::sleep_for(5ms);
        for (int i = 0; i < maxPolls; ++i, std::this_thread::sleep_for(5ms)) {
            int pointer = XGrabPointer(d, DefaultRootWindow(d), False, ButtonPressMask, GrabModeAsync,
                                       GrabModeAsync, None, None, CurrentTime);
            int keyboard =
                XGrabKeyboard(d, DefaultRootWindow(d), False, GrabModeAsync, GrabModeAsync, CurrentTime);
            XUngrabPointer(d, CurrentTime);
            XUngrabKeyboard(d, CurrentTime);
            XSync(d, False);
            if (pointer == AlreadyGrabbed && keyboard == AlreadyGrabbed) break;
        }
        pressEscape(d); // pressed even when no menu window was seen: the tested thread must not wait
        XCloseDisplay(d);
    });
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
    EXPECT_EQ(a.map_state, IsViewable);

    // Unusable parents (none, or destroyed) leave the frame closed.
    Window gone = makeParent(0, 0, 10, 10);
    XDestroyWindow(display, gone);
    XSync(display, False);
    for (unsigned long handle : {0ul, static_cast<unsigned long>(gone)}) {
        CFrame closed(CRect(0, 0, 50, 50), gui::X11Backend::parentHandle(handle), backend);
        EXPECT_FALSE(closed.isOpen()) << handle;
        closed.idle();
    }
}

// The default screen (24-bit) shows exactly what the headless back end paints; the test command's
// second screen (16-bit: 5, 6, 5 bits) keeps each channel's top bits, within one step.
TEST_F(X11Backend, WindowsShowTheHeadlessPixelsInEitherPixelFormat)
{
    auto bitmap = buttonBitmap();
    gui::HeadlessBackend headless;
    gui::HeadlessParent reference;
    Editor painted(headless, &reference, *bitmap);
    const gui::RgbaImage& expected = reference.image;
    for (int screen : {0, 1}) {
        if (screen >= ScreenCount(display) ||
            DefaultDepthOfScreen(ScreenOfDisplay(display, screen)) != (screen ? 16 : 24))
            GTEST_SKIP() << "the X server lacks the test command's screen " << screen;
        Window window = makeParent(0, 0, 200, 200, screen);
        gui::X11Backend backend;
        Editor editor(backend, gui::X11Backend::parentHandle(window), *bitmap);
        ASSERT_TRUE(editor.frame.isOpen());
        gui::RgbaImage shown = readWindow(backend.windowOf(editor.frame), 120, 100);
        ASSERT_EQ(shown.width, 120);
        int off = 0; // channels off by two steps of the screen's bits or more (by anything on 24 bits)
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 120; ++x)
                for (int c = 0; c < 3; ++c)
                    off += std::abs(shown.pixel(x, y)[c] - expected.pixel(x, y)[c]) >=
                           (screen ? 16 >> (c == 1) : 1);
        EXPECT_EQ(off, 0) << "screen " << screen;
        XDestroyWindow(display, window);
    }
}

// A menu opens on the screen of the editor's window; Escape cancels it, and its windows go.
TEST_F(X11Backend, PopupMenuOpensOnTheEditorsScreen)
{
    int screen = 1;
    if (ScreenCount(display) < 2) GTEST_SKIP() << "the X server has no second screen";
    Window other = makeParent(0, 0, 200, 150, screen);
    gui::X11Backend backend;
    CFrame frame(CRect(0, 0, 200, 150), gui::X11Backend::parentHandle(other), backend);
    ASSERT_TRUE(frame.isOpen());
    COptionMenu menu;
    menu.addEntry("Alpha");
    bool found = false;
    {
        std::jthread user = escapeMenu(screen, found);
        EXPECT_TRUE(backend.popupMenu(frame, menu, {20, 20}).empty());
    }
    EXPECT_TRUE(found) << "no menu window on the editor's screen";
    EXPECT_EQ(menuWindows(display, screen), 0);
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
