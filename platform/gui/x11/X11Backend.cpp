#include "platform/gui/x11/X11Backend.h"

#include "platform/gui/CFrame.h"
#include "platform/gui/COptionMenu.h"
#include "platform/gui/x11/DesktopDialogs.h"
#include "platform/gui/x11/X11PopupMenu.h"
#include "platform/gui/x11/X11Window.h"

#include <chrono>
#include <poll.h>

namespace gui
{

X11Backend::X11Backend() = default;

X11Backend::~X11Backend() = default;

bool X11Backend::openWindow(CFrame& frame, void* parent)
{
    closeWindow(frame);
    auto window = std::make_unique<x11::X11Window>();
    const CRect& size = frame.getViewSize();
    if (!window->open(static_cast<unsigned long>(reinterpret_cast<uintptr_t>(parent)), size.getWidth(),
                      size.getHeight()))
        return false;
    windows[&frame] = std::move(window);
    return true;
}

void X11Backend::closeWindow(CFrame& frame)
{
    windows.erase(&frame);
}

x11::X11Window* X11Backend::windowFor(const CFrame& frame) const
{
    auto it = windows.find(&frame);
    return it == windows.end() ? nullptr : it->second.get();
}

unsigned long X11Backend::windowOf(const CFrame& frame) const
{
    x11::X11Window* window = windowFor(frame);
    return window ? window->window() : 0;
}

void X11Backend::present(CFrame& frame, const CRect& rect)
{
    x11::X11Window* window = windowFor(frame);
    if (!window) return;
    window->putImage(frame.getImage().getSurface(), {rect.left, rect.top, rect.getWidth(), rect.getHeight()});
}

bool X11Backend::repaintExposed(CFrame& frame, x11::X11Window& window, const XEvent& event)
{
    window.noteEvent(event);
    if (event.type != Expose || event.xexpose.window != window.window()) return false;
    const XExposeEvent& e = event.xexpose;
    window.putImage(frame.getImage().getSurface(), {e.x, e.y, e.width, e.height});
    return true;
}

void X11Backend::processEvents(CFrame& frame)
{
    x11::X11Window* window = windowFor(frame);
    if (!window) return;
    Display* display = window->display();
    // The common case of an idle call is that nothing happened: one poll of the connection tells,
    // where XPending would cost several system calls. Everything this back end sends is flushed
    // when sent, so there is no output waiting either.
    if (XEventsQueued(display, QueuedAlready) == 0) {
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        if (poll(&connection, 1, 0) <= 0) return;
    }
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MotionNotify) {
            // Only the latest of a run of moves matters; a press or release in between is kept in order.
            XEvent next;
            while (XPending(display) > 0 && XPeekEvent(display, &next) && next.type == MotionNotify &&
                   next.xmotion.window == event.xmotion.window)
                XNextEvent(display, &event);
        }
        if (repaintExposed(frame, *window, event)) continue;
        dispatch(frame, *window, event);
        // What the frame ran may have closed it (an editor action); then nothing of it is used again.
        window = windowFor(frame);
        if (!window) return;
    }
}

void X11Backend::dispatch(CFrame& frame, x11::X11Window& window, const XEvent& event)
{
    x11::PointerEvent pointer;
    if (event.xany.window != window.window() || !x11::pointerEvent(event, pointer)) return;
    CPoint where(pointer.x, pointer.y);
    switch (pointer.kind) {
    case x11::PointerEvent::Kind::down:
        menuTookRelease = false;
        frame.handleMouseDown(where, pointer.buttons);
        if (menuTookRelease && windowFor(frame) == &window)
            finishPressTakenByMenu(frame, window, pointer.buttons);
        menuTookRelease = false;
        break;
    case x11::PointerEvent::Kind::moved:
    case x11::PointerEvent::Kind::entered:
        frame.handleMouseMoved(where, pointer.buttons);
        break;
    case x11::PointerEvent::Kind::up:
        frame.handleMouseUp(where, pointer.buttons);
        break;
    case x11::PointerEvent::Kind::exited:
        frame.handleMouseLeft();
        break;
    }
}

void X11Backend::finishPressTakenByMenu(CFrame& frame, x11::X11Window& window, int buttons)
{
    // A press that opened a menu is released inside the menu's own loop, so the frame never hears
    // of it. When no button is held any more, the frame gets that release here, as it would have
    // without the menu, so that the view that took the press lets the pointer go.
    Window root, child;
    int rootX, rootY, x, y;
    unsigned int state = 0;
    if (!frame.isMouseCaptured() ||
        !XQueryPointer(window.display(), window.window(), &root, &child, &rootX, &rootY, &x, &y, &state))
        return;
    if (state & (Button1Mask | Button2Mask | Button3Mask))
        return; // still held: the real release arrives as usual
    frame.handleMouseUp(CPoint(x, y), buttons);
}

std::vector<int> X11Backend::popupMenu(CFrame& frame, const COptionMenu& menu, CPoint where)
{
    x11::X11Window* window = windowFor(frame);
    if (!window) return {};
    Display* display = window->display();
    int rootX = 0, rootY = 0;
    Window child;
    // The menu opens on the editor's screen, which need not be the display's default one.
    XTranslateCoordinates(display, window->window(), RootWindow(display, window->screen()), where.x, where.y,
                          &rootX, &rootY, &child);
    std::vector<int> path =
        x11::runPopupMenu(display, window->screen(), menu, rootX, rootY, [&](const XEvent& event) {
            if (windowFor(frame) == window) repaintExposed(frame, *window, event);
        });
    menuTookRelease = true;
    return path;
}

std::optional<std::string> X11Backend::fileDialog(CFrame* owner, const FileDialogRequest& request)
{
    x11::X11Window* window = owner ? windowFor(*owner) : nullptr;
    int watchFd = window ? ConnectionNumber(window->display()) : -1;
    std::string path = x11::runFileDialog(request, watchFd, [&] {
        // While the dialog is up the editor stays painted; its pointer input waits (the dialog is modal).
        Display* display = window->display();
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            repaintExposed(*owner, *window, event);
        }
    });
    if (path.empty()) return std::nullopt;
    return path;
}

bool X11Backend::openUrl(const std::string& text)
{
    return x11::openDocument(text);
}

uint32_t X11Backend::getTicks()
{
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace gui
