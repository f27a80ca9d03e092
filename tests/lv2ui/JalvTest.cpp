// jalv.gtk3, an independent host, shows the plug-in with its user interface on a virtual X server:
// the editor's window appears at the skin's size, and jalv closes cleanly when its window is
// closed (the editor's pixels are compared in the tests' own host). jalv needs a JACK server: a private one
// on the dummy driver.
#include "UiTestHost.h"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace
{

const std::string scratch = std::string(ORVANE_BINARY_DIR) + "/test-scratch/lv2ui/";

// A shell command run in the background with its output in scratch/log, ended (SIGTERM, then
// SIGKILL) by the destructor if it still runs.
struct Child {
    pid_t pid = -1;
    int status = 0;
    bool finished = false;

    Child(const std::string& command, const std::string& log)
    {
        const std::string line = "exec " + command + " > '" + scratch + log + "' 2>&1";
        const char* argv[] = {"/bin/sh", "-c", line.c_str(), nullptr};
        finished = posix_spawn(&pid, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ) != 0;
    }
    ~Child()
    {
        if (finished) return;
        kill(pid, SIGTERM);
        if (!waitFor(uitest::maxPolls)) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
    }
    // Whether the child has ended, waiting up to polls times for it.
    bool waitFor(int polls)
    {
        for (int i = 0; !finished && i <= polls; ++i)
            if (!(finished = waitpid(pid, &status, WNOHANG) == pid) && i < polls) uitest::waitABit();
        return finished;
    }
};

// The last 40 lines of jalv's output, without its listing of control values.
std::string jalvLog()
{
    std::string tail(65536, '\0');
    FILE* f = popen(("grep -v ' = ' '" + scratch + "jalv.gtk3.log' | tail -n 40").c_str(), "r");
    tail.resize(f ? fread(tail.data(), 1, tail.size(), f) : 0);
    if (f) pclose(f);
    return tail;
}

// Calls f(window, its attributes, its depth below the root) for w and every window below it.
template <class F> void forEachWindow(Display* d, Window w, const F& f, int depth = 0)
{
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, w, &a)) return;
    f(w, a, depth);
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(d, w, &root, &parent, &children, &count)) return;
    for (unsigned int i = 0; i < count; ++i)
        forEachWindow(d, children[i], f, depth + 1);
    if (children) XFree(children);
}

// Starts jalv with the plug-in, waits for the editor's window, then closes jalv as a user would;
// jalv's wait status then, -1 while it runs, -2 when no editor appeared.
int runJalv(Display* d, const gui::RgbaImage& background)
{
    std::unique_ptr<Child> jalv;
    Window editor = 0;
    // The editor's window lies inside jalv's top-level window, which may have the same size.
    const auto findEditor = [&](Window w, const XWindowAttributes& a, int depth) {
        if (depth > 1 && a.map_state == IsViewable && a.width == background.width &&
            a.height == background.height)
            editor = w;
    };
    // jalv gives up when the JACK server is not ready yet: it is started again then.
    for (int attempt = 0; attempt < 10 && !editor; ++attempt) {
        jalv.reset();
        jalv = std::make_unique<Child>(std::string(ORVANE_JALV) + " urn:tirsk-audio:orvane", "jalv.gtk3.log");
        for (int i = 0; i < 4 * uitest::maxPolls && !editor && !jalv->waitFor(0); ++i) {
            forEachWindow(d, DefaultRootWindow(d), findEditor);
            if (!editor) uitest::waitABit();
        }
    }
    if (!editor) return -2;
    // Asks jalv's top-level windows to close, as a window manager does for the user.
    const Atom protocols = XInternAtom(d, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
    forEachWindow(d, DefaultRootWindow(d), [&](Window w, const XWindowAttributes& a, int depth) {
        if (depth != 1 || a.map_state != IsViewable) return;
        XEvent e{.xclient = {ClientMessage, 0, False, d, w, protocols, 32, {}}};
        e.xclient.data.l[0] = static_cast<long>(deleteWindow); // at CurrentTime (0)
        XSendEvent(d, w, False, NoEventMask, &e);
    });
    XSync(d, False);
    return jalv->waitFor(4 * uitest::maxPolls) ? jalv->status : -1;
}

TEST(Jalv, ShowsTheEditorAndClosesCleanly)
{
    if (std::string(ORVANE_JALV).empty() || std::string(ORVANE_JACKD).empty())
        GTEST_SKIP() << "jalv.gtk3 or jackd is not installed (Debian packages jalv, jackd2)";
    if (!std::string(ORVANE_SANITIZER_PRELOAD).empty())
        GTEST_SKIP() << "jalv does not start with the sanitizers' run-times preloaded; the sanitizer build "
                        "tests the user interface in the tests' own host only";
    std::unique_ptr<Display, int (*)(Display*)> display(uitest::openDisplay(), XCloseDisplay);
    Display* d = display.get();
    if (!d) GTEST_SKIP() << "no X server could be reached; the test command starts one with xvfb-run";
    gui::RgbaImage background;
    ASSERT_TRUE(
        gui::readPngFile(std::string(ORVANE_LV2_BUNDLE) + "Skins/default/Background.png", background));

    // The children's environment: a JACK server of this test's own, and the build-tree bundle.
    std::filesystem::create_directories(scratch);
    const std::string server = "orvane-test-" + std::to_string(getpid());
    setenv("JACK_DEFAULT_SERVER", server.c_str(), 1);
    setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
    setenv("JACK_NO_START_SERVER", "1", 1);
    setenv("LV2_PATH", ORVANE_LV2_PATH, 1);
    const std::string jackdPath = ORVANE_JACKD, tools = jackdPath.substr(0, jackdPath.rfind('/') + 1);
    Child jackd(jackdPath + " --no-realtime -n " + server + " -d dummy -r 48000 -p 256", "jackd.log");
    ASSERT_FALSE(jackd.finished);
    // jalv gives up when the server is not up yet: jack_wait waits for it.
    Child(tools + "jack_wait -w -s " + server + " -t 30", "jack_wait.log").waitFor(8 * uitest::maxPolls);

    int status = runJalv(d, background);
    if (status >= 0 && WIFSIGNALED(status)) {
        // jalv was once seen to die by a signal while closing on a loaded machine, and never since
        // in many runs; it must then close cleanly on a second start, and what it printed the first
        // time is kept in the test's output.
        std::cerr << "jalv ended by signal " << WTERMSIG(status)
                  << " on its first run; the end of its output:\n"
                  << jalvLog();
        status = runJalv(d, background);
    }
    ASSERT_NE(status, -2) << "no editor window of " << background.width << " x " << background.height
                          << " appeared";
    EXPECT_EQ(status, 0) << "jalv did not close cleanly (wait status " << status
                         << ", -1: still running); the end of its output:\n"
                         << jalvLog();
}

} // namespace
