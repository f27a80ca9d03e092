// Catches the X errors of one display connection for a stretch of code.
//
//   ErrorTrap trap(display)   from here on, errors of display are recorded instead of reaching Xlib's
//                             default handler (which ends the process); errors of other connections
//                             (the host's own) still go to the handler that was installed before
//   trap.failed()             waits for the server to answer everything sent so far; true if any
//                             of it failed since the trap was set
//   ~ErrorTrap                waits likewise and restores the previous handler
//
// Xlib's error handler is one per process: traps are for the user-interface thread and do not nest
// across connections.
#pragma once

#include <X11/Xlib.h>

namespace gui::x11
{

class ErrorTrap
{
  public:
    explicit ErrorTrap(Display* display);
    ~ErrorTrap();
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    bool failed();

  private:
    Display* display_;
    XErrorHandler previous_;
    Display* outerDisplay_;
    int outerError_;
};

} // namespace gui::x11
