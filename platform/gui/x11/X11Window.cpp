#include "platform/gui/x11/X11Window.h"

#include "platform/gui/x11/X11ErrorTrap.h"

#include <X11/Xutil.h>
#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

namespace gui::x11
{

namespace
{

constexpr long childEventMask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                                EnterWindowMask | LeaveWindowMask | StructureNotifyMask;

// The largest window a frame may ask for; anything bigger is a caller's mistake, not a window.
constexpr int maxWindowSide = 16384;

constexpr int maxConnectAttempts = 3;

// An 8-bit channel value placed into a visual's channel mask (of any width and position).
unsigned long channelBits(uint32_t value, unsigned long mask)
{
    if (mask == 0) return 0;
    int shift = std::countr_zero(mask);
    int bits = std::popcount(mask);
    unsigned long scaled = bits <= 8 ? value >> (8 - bits) : static_cast<unsigned long>(value) << (bits - 8);
    return (scaled << shift) & mask;
}

bool clipToImage(PixelArea& area, int imageWidth, int imageHeight)
{
    int x0 = std::max(area.x, 0);
    int y0 = std::max(area.y, 0);
    int x1 = std::min(area.x + area.width, imageWidth);
    int y1 = std::min(area.y + area.height, imageHeight);
    if (x1 <= x0 || y1 <= y0) return false;
    area = {x0, y0, x1 - x0, y1 - y0};
    return true;
}

} // namespace

int buttonState(unsigned int xstate, unsigned int button)
{
    int bits = 0;
    if ((xstate & Button1Mask) || button == Button1) bits |= kLButton;
    if ((xstate & Button2Mask) || button == Button2) bits |= kMButton;
    if ((xstate & Button3Mask) || button == Button3) bits |= kRButton;
    if (xstate & ShiftMask) bits |= kShift;
    if (xstate & ControlMask) bits |= kControl;
    if (xstate & Mod1Mask) bits |= kAlt;
    if (xstate & Mod4Mask) bits |= kCommand;
    return bits;
}

bool pointerEvent(const XEvent& event, PointerEvent& out)
{
    switch (event.type) {
    case ButtonPress:
    case ButtonRelease: {
        const XButtonEvent& b = event.xbutton;
        if (b.button < Button1 || b.button > Button3)
            return false; // wheel and extra buttons are not pointer presses
        out.kind = event.type == ButtonPress ? PointerEvent::Kind::down : PointerEvent::Kind::up;
        out = {out.kind, b.x, b.y, buttonState(b.state, b.button)};
        return true;
    }
    case MotionNotify:
        out = {PointerEvent::Kind::moved, event.xmotion.x, event.xmotion.y,
               buttonState(event.xmotion.state, 0)};
        return true;
    case EnterNotify:
    case LeaveNotify: {
        const XCrossingEvent& c = event.xcrossing;
        if (c.detail == NotifyInferior)
            return false; // crossing into or out of a window inside ours: the pointer stays with us
        out = {event.type == EnterNotify ? PointerEvent::Kind::entered : PointerEvent::Kind::exited, c.x, c.y,
               buttonState(c.state, 0)};
        return true;
    }
    default:
        return false;
    }
}

void putPixels(const DrawTarget& target, const uint8_t* pixels, int stride, int imageWidth, int imageHeight,
               PixelArea area)
{
    if (!target.display || !target.window || !target.visual || !pixels ||
        !clipToImage(area, imageWidth, imageHeight))
        return;
    Visual* v = target.visual;
    bool direct = (target.depth == 24 || target.depth == 32) && v->red_mask == 0xff0000 &&
                  v->green_mask == 0xff00 && v->blue_mask == 0xff;
    if (direct) {
        // The image's pixels are native-endian 0xAARRGGBB words, exactly a 24-bit true-colour pixel:
        // X reads them in place, swapping bytes only if the server's order differs.
        XImage* image = XCreateImage(target.display, v, target.depth, ZPixmap, 0,
                                     reinterpret_cast<char*>(const_cast<uint8_t*>(pixels)), imageWidth,
                                     imageHeight, 32, stride);
        if (!image) return;
        image->byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
        XPutImage(target.display, target.window, target.gc, image, area.x, area.y, area.x, area.y, area.width,
                  area.height);
        image->data = nullptr; // the pixels belong to the caller
        XDestroyImage(image);
        return;
    }
    // Any other visual: convert pixel by pixel into an image of the window's own format.
    XImage* image =
        XCreateImage(target.display, v, target.depth, ZPixmap, 0, nullptr, area.width, area.height, 32, 0);
    if (!image) return;
    image->data = static_cast<char*>(std::calloc(static_cast<size_t>(image->bytes_per_line), area.height));
    if (!image->data) {
        XDestroyImage(image);
        return;
    }
    for (int y = 0; y < area.height; ++y) {
        const uint8_t* row =
            pixels + static_cast<size_t>(area.y + y) * stride + static_cast<size_t>(area.x) * 4;
        for (int x = 0; x < area.width; ++x) {
            uint32_t p;
            std::memcpy(&p, row + x * 4, 4);
            XPutPixel(image, x, y,
                      channelBits((p >> 16) & 0xff, v->red_mask) |
                          channelBits((p >> 8) & 0xff, v->green_mask) | channelBits(p & 0xff, v->blue_mask));
        }
    }
    XPutImage(target.display, target.window, target.gc, image, 0, 0, area.x, area.y, area.width, area.height);
    XDestroyImage(image);
}

X11Window::~X11Window()
{
    close();
}

bool X11Window::open(unsigned long parent, int width, int height)
{
    close();
    if (parent == 0 || width <= 0 || height <= 0 || width > maxWindowSide || height > maxWindowSide)
        return false;
    // A server that is still tearing down a connection just closed may refuse the next one; a
    // second attempt then gets through.
    for (int attempt = 0; attempt < maxConnectAttempts && !display_; ++attempt)
        display_ = XOpenDisplay(nullptr);
    if (!display_) return false;
    bool ok = false;
    {
        ErrorTrap trap(display_);
        XWindowAttributes parentAttributes{};
        if (XGetWindowAttributes(display_, parent, &parentAttributes) && !trap.failed()) {
            XSetWindowAttributes attributes{};
            attributes.event_mask = childEventMask;
            attributes.background_pixmap = None; // the frame paints every pixel; no clearing flicker
            window_ = XCreateWindow(display_, parent, 0, 0, width, height, 0, CopyFromParent, InputOutput,
                                    CopyFromParent, CWEventMask | CWBackPixmap, &attributes);
            gc_ = XCreateGC(display_, window_, 0, nullptr);
            XMapWindow(display_, window_);
            visual_ = parentAttributes.visual;
            depth_ = parentAttributes.depth;
            screen_ = XScreenNumberOfScreen(parentAttributes.screen);
            ok = !trap.failed();
        }
        if (!ok) windowGone_ = true; // nothing valid to destroy
    }
    if (!ok) {
        close();
        return false;
    }
    width_ = width;
    height_ = height;
    return true;
}

void X11Window::close()
{
    if (!display_) return;
    {
        ErrorTrap trap(display_);
        if (gc_) XFreeGC(display_, gc_);
        if (window_ && !windowGone_) XDestroyWindow(display_, window_);
    }
    XCloseDisplay(display_);
    display_ = nullptr;
    window_ = 0;
    gc_ = nullptr;
    visual_ = nullptr;
    depth_ = screen_ = width_ = height_ = 0;
    windowGone_ = false;
}

void X11Window::noteEvent(const XEvent& event)
{
    if (event.type == DestroyNotify && event.xdestroywindow.window == window_) windowGone_ = true;
}

void X11Window::putImage(cairo_surface_t* image, PixelArea area)
{
    if (!display_ || windowGone_ || !image || cairo_image_surface_get_format(image) != CAIRO_FORMAT_ARGB32)
        return;
    cairo_surface_flush(image);
    // The host may destroy its parent window at any moment; an error for a vanished window must not
    // reach Xlib's default handler, which would end the host.
    ErrorTrap trap(display_);
    putPixels(target(), cairo_image_surface_get_data(image), cairo_image_surface_get_stride(image),
              cairo_image_surface_get_width(image), cairo_image_surface_get_height(image), area);
    if (trap.failed()) windowGone_ = true;
}

} // namespace gui::x11
