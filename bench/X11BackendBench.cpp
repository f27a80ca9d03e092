// The X11 back end on the X server of $DISPLAY (run under xvfb-run): "x11/idle" is a frame's idle
// call with nothing pending and nothing dirty, what every host idle costs while the editor is open;
// "x11/present" copies a whole 900 x 600 frame to its window. Without an X server both report an error.
#include "platform/gui/CFrame.h"
#include "platform/gui/x11/X11Backend.h"

#include <benchmark/benchmark.h>

#include <X11/Xlib.h>
#include <memory>

namespace
{

// A frame of the default skin's size, open in a parent window of a connection of its own.
struct X11Rig {
    X11Rig()
    {
        // A server may refuse a connection made right after another one closed: try again.
        for (int attempt = 0; attempt < 5 && !display; ++attempt)
            display = XOpenDisplay(nullptr);
        if (!display) return;
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 900, 600, 0, 0, 0);
        XMapWindow(display, parent);
        XSync(display, False);
        frame =
            std::make_unique<CFrame>(CRect(0, 0, 900, 600), gui::X11Backend::parentHandle(parent), backend);
        frame->setBackgroundColor(CColor{40, 44, 52, 255});
        frame->redraw();
        for (int i = 0; i < 10; ++i)
            frame->idle(); // the exposes of the first mapping
    }
    ~X11Rig()
    {
        frame.reset();
        if (display) XCloseDisplay(display);
    }
    bool ready() const { return frame && frame->isOpen(); }

    Display* display = nullptr;
    Window parent = 0;
    gui::X11Backend backend;
    std::unique_ptr<CFrame> frame;
};

void x11Idle(benchmark::State& state)
{
    X11Rig rig;
    if (!rig.ready()) {
        state.SkipWithError("no X server (run under xvfb-run)");
        return;
    }
    for (auto _ : state)
        rig.frame->idle();
}
BENCHMARK(x11Idle)->Name("x11/idle");

void x11Present(benchmark::State& state)
{
    X11Rig rig;
    if (!rig.ready()) {
        state.SkipWithError("no X server (run under xvfb-run)");
        return;
    }
    for (auto _ : state)
        rig.backend.present(*rig.frame, CRect(0, 0, 900, 600));
}
BENCHMARK(x11Present)->Name("x11/present")->Unit(benchmark::kMillisecond);

} // namespace
