// orvane-lv2ui-bench: the cost of the plug-in's user interface, in the tests' host of our own (lilv
// for the plug-in, the module's descriptor for the user interface). Needs an X server: run it under
// xvfb-run.
//   "lv2ui/idle"          one host idle call of the open user interface with nothing changed
//   "lv2/run/ui-closed"   one 512-frame block of the plug-in (every section on), no user interface
//   "lv2/run/ui-open"     the same while the user interface is open and idles at 30 Hz on a thread
//                         of its own, as a host's user-interface thread does
// The run benchmarks report "x_realtime" (seconds of audio per second of the audio thread's CPU
// time, which leaves the user interface's thread out); compare the two in one run, since absolute
// times on these machines drift.
#include "../BenchSupport.h"

#include "../../tests/lv2ui/UiTestHost.h"
#include "lv2/OrvaneLv2Ports.h"

#include <atomic>
#include <thread>

// The tests' host counts allocations in the plug-in's run; here nothing is counted.
void startCountingAllocations() {}
long stopCountingAllocations()
{
    return 0;
}

namespace
{

using orvane_bench::kBlock;
using orvane_bench::kRate;

std::unique_ptr<Lv2TestHost> makePlugin()
{
    auto plugin = std::make_unique<Lv2TestHost>();
    if (!plugin->ok()) return nullptr;
    for (const auto& [name, value] : orvane_bench::everythingOn()) {
        const uint32_t port = plugin->portIndex(name.c_str());
        plugin->controls[port] = OrvaneLv2Ports::valueMapOf(static_cast<int>(port)).toHost(value);
    }
    return plugin;
}

void runBlocks(benchmark::State& state, Lv2TestHost& plugin)
{
    const std::vector<float>& inL = orvane_bench::benchInput(0);
    const std::vector<float>& inR = orvane_bench::benchInput(1);
    std::size_t at = 0;
    std::int64_t frames = 0;
    for (auto _ : state) {
        if (at + kBlock > inL.size()) at = 0;
        std::copy_n(inL.data() + at, kBlock, plugin.inLeft.data());
        std::copy_n(inR.data() + at, kBlock, plugin.inRight.data());
        plugin.run(kBlock);
        benchmark::DoNotOptimize(plugin.outLeft.data());
        at += kBlock;
        frames += kBlock;
    }
    state.counters["x_realtime"] =
        benchmark::Counter(static_cast<double>(frames) / kRate, benchmark::Counter::kIsRate);
}

void uiIdle(benchmark::State& state)
{
    Display* display = uitest::openDisplay();
    auto plugin = display ? makePlugin() : nullptr;
    if (!plugin) {
        state.SkipWithError("no X server or no plug-in");
        return;
    }
    plugin->run(kBlock);
    {
        uitest::UiTestHost ui(display, *plugin);
        if (!ui.open()) {
            state.SkipWithError("the user interface did not open");
            return;
        }
        ui.idleFor(20);
        for (auto _ : state)
            ui.idle();
    }
    XCloseDisplay(display);
}
BENCHMARK(uiIdle)->Name("lv2ui/idle")->Unit(benchmark::kMicrosecond);

void runWithUiClosed(benchmark::State& state)
{
    auto plugin = makePlugin();
    if (!plugin) {
        state.SkipWithError("no plug-in");
        return;
    }
    runBlocks(state, *plugin);
}
BENCHMARK(runWithUiClosed)->Name("lv2/run/ui-closed")->Unit(benchmark::kMicrosecond);

void runWithUiOpen(benchmark::State& state)
{
    auto plugin = makePlugin();
    if (!plugin) {
        state.SkipWithError("no plug-in");
        return;
    }
    // The user interface lives on its own thread, as in a host: opened, idled, closed there.
    std::atomic<int> phase{0}; // 0 opening, 1 open, 2 stop, -1 failed
    std::thread uiThread([&] {
        Display* display = uitest::openDisplay();
        {
            std::unique_ptr<uitest::UiTestHost> ui;
            if (display) ui = std::make_unique<uitest::UiTestHost>(display, *plugin);
            if (!ui || !ui->open()) {
                phase = -1;
            } else {
                phase = 1;
                while (phase.load() == 1) {
                    ui->idle();
                    std::this_thread::sleep_for(std::chrono::milliseconds(33));
                }
            }
        }
        if (display) XCloseDisplay(display);
    });
    while (phase.load() == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (phase.load() == 1) runBlocks(state, *plugin);
    if (phase.load() == -1) state.SkipWithError("no X server, or the user interface did not open");
    phase = 2;
    uiThread.join();
}
BENCHMARK(runWithUiOpen)->Name("lv2/run/ui-open")->Unit(benchmark::kMicrosecond);

} // namespace
