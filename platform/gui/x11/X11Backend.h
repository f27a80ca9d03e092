// gui::X11Backend: the toolkit's back end for X11 hosts.
//
// The parent handle of a frame is an X window id carried in the pointer (as LV2's ui:parent gives
// it): parentHandle(window) makes one. Each frame gets a child window of that parent on a display
// connection of its own ($DISPLAY), so frames of two editors in one process share nothing.
//
//   openWindow / closeWindow   create and map / destroy the frame's child window and connection
//   present(frame, rect)       copies that part of the frame's image to its window
//   processEvents(frame)       handles everything pending for the frame's window without blocking:
//                              exposes are repainted from the frame's image, pointer presses,
//                              releases, moves, entering and leaving reach the frame
//   popupMenu(frame, menu, at) the menu drawn by us in override-redirect windows; returns after the
//                              user chose or cancelled (see X11PopupMenu.h), the frame's window
//                              keeps being repainted meanwhile
//   fileDialog(owner, request) zenity or kdialog (see DesktopDialogs.h); blocks until answered
//   openUrl(text)              xdg-open, detached
//   getTicks()                 milliseconds of the monotonic clock
//   windowOf(frame)            the frame's child window id (0 when it has none), for hosts and tests
//
// The host's idle drives everything: there is no thread of our own. User-interface thread only.
#pragma once

#include "platform/gui/Backend.h"

#include <cstdint>
#include <map>
#include <memory>

union _XEvent; // Xlib's XEvent; Xlib itself stays out of this header (its macros clash with other code)

namespace gui
{

namespace x11
{
class X11Window;
}

class X11Backend : public Backend
{
  public:
    X11Backend();
    ~X11Backend() override;

    static void* parentHandle(unsigned long window)
    {
        return reinterpret_cast<void*>(static_cast<uintptr_t>(window));
    }

    bool openWindow(CFrame& frame, void* parent) override;
    void closeWindow(CFrame& frame) override;
    void present(CFrame& frame, const CRect& rect) override;
    void processEvents(CFrame& frame) override;
    std::vector<int> popupMenu(CFrame& frame, const COptionMenu& menu, CPoint where) override;
    std::optional<std::string> fileDialog(CFrame* owner, const FileDialogRequest& request) override;
    bool openUrl(const std::string& text) override;
    uint32_t getTicks() override;

    unsigned long windowOf(const CFrame& frame) const;

  private:
    x11::X11Window* windowFor(const CFrame& frame) const;
    // Repaints an exposed part of the frame's window from its image; false for other events.
    bool repaintExposed(CFrame& frame, x11::X11Window& window, const _XEvent& event);
    void dispatch(CFrame& frame, x11::X11Window& window, const _XEvent& event);
    // A menu's nested loop took the release of the press (with buttons) that opened it: ends the
    // frame's capture.
    void finishPressTakenByMenu(CFrame& frame, x11::X11Window& window, int buttons);

    std::map<const CFrame*, std::unique_ptr<x11::X11Window>> windows;
    bool menuTookRelease = false; // a popup menu ran since the last press was dispatched
};

} // namespace gui
