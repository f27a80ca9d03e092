// The plug-in shell over the engine, as a host drives it: processReplacing at 48 kHz with time
// information from the host callback, in blocks of N frames ("block:N"). "shell/defaults" runs
// the product defaults and "shell/everything on" every section; at block 512 they compare with
// the engine rows of the same names (the shell should cost nothing measurable). Blocks of 32
// and 8 frames are what hosts that split blocks at automation points call with; per frame they
// should cost little more than blocks of 512. "shell/pass-through" has "MasterOn" off, so the
// shell only copies the input.
#include "BenchSupport.h"

#include "shell/OrvaneVST.h"

#include <cstdlib>
#include <unistd.h>

namespace
{

VstTimeInfo benchTime;

VstIntPtr benchHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterGetTime ? reinterpret_cast<VstIntPtr>(&benchTime) : 0;
}

void runShell(benchmark::State& state, const orvane_bench::Settings& settings, bool masterOn, int block)
{
    using namespace orvane_bench;
    // A private data folder, so that the benchmark neither reads nor writes the user's files.
    const std::string home = "/tmp/orvane-bench-" + std::to_string(getpid());
    setenv("XDG_DATA_HOME", home.c_str(), 1);
    setenv("ORVANE_FACTORY_DIR", "/nonexistent", 1);

    auto shell = std::make_unique<OrvaneVST>(benchHost);
    shell->setSampleRate(static_cast<float>(kRate));
    const OrvaneProgram defaults;
    for (int i = 0; i < defaults.count; ++i)
        shell->setParameter(i, defaults.values[i]);
    for (const auto& [name, value] : settings)
        shell->setParameter(shell->getEngine()->parameterIndex(name.c_str()), value);
    if (!masterOn) shell->setParameter(shell->getEngine()->parameterIndex("MasterOn"), 0.0f);
    benchTime = VstTimeInfo{};
    benchTime.tempo = 120.0;
    benchTime.sampleRate = kRate;
    benchTime.flags = kVstTransportPlaying | kVstTempoValid | kVstPpqPosValid;
    shell->resume();

    const std::vector<float>& inL = benchInput(0);
    const std::vector<float>& inR = benchInput(1);
    const auto frameCount = static_cast<std::size_t>(block);
    std::vector<float> outL(frameCount), outR(frameCount);
    std::size_t at = 0;
    std::int64_t frames = 0;
    for (auto _ : state) {
        if (at + frameCount > inL.size()) at = 0;
        float* in[2] = {const_cast<float*>(inL.data() + at), const_cast<float*>(inR.data() + at)};
        float* out[2] = {outL.data(), outR.data()};
        shell->processReplacing(in, out, block);
        benchmark::DoNotOptimize(outL.data());
        benchmark::DoNotOptimize(outR.data());
        benchmark::ClobberMemory();
        at += frameCount;
        frames += block;
        benchTime.samplePos += block;
        benchTime.ppqPos += block * benchTime.tempo / (60.0 * kRate);
    }
    state.counters["x_realtime"] =
        benchmark::Counter(static_cast<double>(frames) / kRate, benchmark::Counter::kIsRate);
}

const bool registered = [] {
    using orvane_bench::Settings;
    for (const auto& [name, settings] :
         {std::pair<const char*, Settings>{"defaults", {}}, {"everything on", orvane_bench::everythingOn()}})
        for (const int block : {8, 32, orvane_bench::kBlock})
            benchmark::RegisterBenchmark(
                ("shell/" + std::string(name) + "/block:" + std::to_string(block)).c_str(),
                [settings, block](benchmark::State& state) { runShell(state, settings, true, block); });
    benchmark::RegisterBenchmark("shell/pass-through", [](benchmark::State& state) {
        runShell(state, {}, false, orvane_bench::kBlock);
    });
    return true;
}();

} // namespace
