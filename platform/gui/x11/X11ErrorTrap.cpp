#include "platform/gui/x11/X11ErrorTrap.h"

namespace gui::x11
{

namespace
{

Display* trappedDisplay = nullptr;
int trappedError = 0;
XErrorHandler handlerBefore = nullptr;

int trapHandler(Display* display, XErrorEvent* error)
{
    if (display == trappedDisplay) {
        trappedError = error->error_code;
        return 0;
    }
    return handlerBefore ? handlerBefore(display, error) : 0;
}

} // namespace

ErrorTrap::ErrorTrap(Display* display)
    : display_(display), outerDisplay_(trappedDisplay), outerError_(trappedError)
{
    XSync(display_, False); // errors of earlier requests are not ours to catch
    previous_ = XSetErrorHandler(trapHandler);
    if (previous_ != trapHandler) handlerBefore = previous_;
    trappedDisplay = display_;
    trappedError = 0;
}

ErrorTrap::~ErrorTrap()
{
    XSync(display_, False);
    trappedDisplay = outerDisplay_;
    trappedError = outerError_;
    XSetErrorHandler(previous_);
}

bool ErrorTrap::failed()
{
    XSync(display_, False);
    return trappedError != 0;
}

} // namespace gui::x11
