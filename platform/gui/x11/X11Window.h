// The native side of one editor window on X11: a display connection of its own, a child window inside
// the host's parent window, and the copy of a cairo image into it.
//
//   open(parent, width, height)  connects to $DISPLAY, creates and maps a child of parent (an X window
//                                id) of that size; false when there is no display or parent is no window
//   close()                      destroys the window and closes the connection (also done by the
//                                destructor); safe when the host destroyed the parent first
//   display(), window()          the connection and the child window, for event processing
//   putImage(image, area)        copies area of image (cairo ARGB32, the window's size) to the window
//   putPixels(target, ...)       copies an area of ARGB32 pixels to any window, converting to its visual
//   pointerEvent(event, out)     translates a pointer event of the child window (press, release,
//                                motion, enter, leave) into the toolkit's terms; false for others
//   buttonState(xstate, button)  the toolkit's button-state bits of an X state mask, plus button:
//                                buttons 1, 2, 3 are left, middle, right; Shift, Control, Alt (Mod1)
//                                and the Super key (Mod4) give kShift, kControl, kAlt, kCommand
//
// Each object owns its connection, so two editors in one process share nothing on the X side.
// Everything runs on the user-interface thread.
#pragma once

#include "platform/gui/GuiTypes.h"

#include <X11/Xlib.h>
#include <cairo.h>
#include <cstdint>

namespace gui::x11
{

struct PointerEvent {
    enum class Kind { down, moved, up, entered, exited };
    Kind kind = Kind::moved;
    int x = 0; // in window pixels
    int y = 0;
    int buttons = 0; // for down and up the button concerned plus modifiers; for moved those held
};

struct PixelArea {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// A window and what drawing into it needs.
struct DrawTarget {
    Display* display = nullptr;
    Window window = 0;
    GC gc = nullptr;
    Visual* visual = nullptr;
    int depth = 0;
};

int buttonState(unsigned int xstate, unsigned int button);
void putPixels(const DrawTarget& target, const uint8_t* pixels, int stride, int imageWidth, int imageHeight,
               PixelArea area);
bool pointerEvent(const XEvent& event, PointerEvent& out);

class X11Window
{
  public:
    X11Window() = default;
    ~X11Window();
    X11Window(const X11Window&) = delete;
    X11Window& operator=(const X11Window&) = delete;

    bool open(unsigned long parent, int width, int height);
    void close();
    bool isOpen() const { return window_ != 0; }

    Display* display() const { return display_; }
    Window window() const { return window_; }
    int width() const { return width_; }
    int screen() const { return screen_; } // the number of the screen the window is on
    int height() const { return height_; }
    // Called for every event of the child window: notes its destruction by the host.
    void noteEvent(const XEvent& event);

    void putImage(cairo_surface_t* image, PixelArea area);
    DrawTarget target() const { return {display_, window_, gc_, visual_, depth_}; }

  private:
    Display* display_ = nullptr;
    Window window_ = 0;
    GC gc_ = nullptr;
    Visual* visual_ = nullptr;
    int depth_ = 0;
    int screen_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool windowGone_ = false;
};

} // namespace gui::x11
