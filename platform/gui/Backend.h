// gui::Backend: what the toolkit needs of a window system. A frame lives in a native window made
// by its back end; everything the window system delivers reaches the frame through it.
//
//   openWindow(frame, parent)     creates the frame's window inside parent (the host's window
//                                 handle, whose meaning each back end documents); false when
//                                 parent is unusable (the frame then stays closed)
//   closeWindow(frame)            destroys that window; the frame is not used by the back end after
//   present(frame, rect)          shows the frame's pixels (frame.getImage()) inside rect
//   processEvents(frame)          handles what is pending for the frame's window and delivers its
//                                 mouse events through frame.handleMouseDown and the like; called
//                                 from the frame's idle, never blocks
//   popupMenu(frame, menu, where) shows menu at where (frame pixels) and waits for the user: the
//                                 path of entry indices to the chosen entry (top level first, one
//                                 more index per submenu), empty when cancelled
//   fileDialog(owner, request)    runs a file dialog (owner may be nullptr): the chosen path, or
//                                 nothing when cancelled or when no dialog can be shown
//   openUrl(text)                 opens a URL or a file in the user's program for it; false when
//                                 it could not be started
//   getTicks()                    a monotonic millisecond clock
//
// One back end may serve several frames. User-interface thread only.
#pragma once

#include "platform/gui/CFileSelector.h"
#include "platform/gui/GuiTypes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CFrame;
class COptionMenu;

namespace gui
{

class Backend
{
  public:
    virtual ~Backend() = default;

    virtual bool openWindow(CFrame& frame, void* parent) = 0;
    virtual void closeWindow(CFrame& frame) = 0;
    virtual void present(CFrame& frame, const CRect& rect) = 0;
    virtual void processEvents(CFrame& frame) = 0;
    virtual std::vector<int> popupMenu(CFrame& frame, const COptionMenu& menu, CPoint where) = 0;
    virtual std::optional<std::string> fileDialog(CFrame* owner, const FileDialogRequest& request) = 0;
    virtual bool openUrl(const std::string& text) = 0;
    virtual uint32_t getTicks() = 0;
};

} // namespace gui
