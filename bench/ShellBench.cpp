// The plug-in shell over the engine, as a host drives it: processReplacing on 512-frame
// blocks at 48 kHz with time information from the host callback. "shell/defaults" runs the
// product defaults (compare with "engine/defaults": the shell should cost nothing measurable);
// "shell/pass-through" has "MasterOn" off, so the shell only copies the input.
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

void runShell(benchmark::State& state, bool masterOn)
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
    if (!masterOn) shell->setParameter(shell->getEngine()->parameterIndex("MasterOn"), 0.0f);
    benchTime = VstTimeInfo{};
    benchTime.tempo = 120.0;
    benchTime.sampleRate = kRate;
    benchTime.flags = kVstTransportPlaying | kVstTempoValid | kVstPpqPosValid;
    shell->resume();

    const std::vector<float>& inL = benchInput(0);
    const std::vector<float>& inR = benchInput(1);
    std::vector<float> outL(kBlock), outR(kBlock);
    std::size_t at = 0;
    std::int64_t frames = 0;
    for (auto _ : state) {
        if (at + kBlock > inL.size()) at = 0;
        float* in[2] = {const_cast<float*>(inL.data() + at), const_cast<float*>(inR.data() + at)};
        float* out[2] = {outL.data(), outR.data()};
        shell->processReplacing(in, out, kBlock);
        benchmark::DoNotOptimize(outL.data());
        benchmark::DoNotOptimize(outR.data());
        benchmark::ClobberMemory();
        at += kBlock;
        frames += kBlock;
        benchTime.samplePos += kBlock;
        benchTime.ppqPos += kBlock * benchTime.tempo / (60.0 * kRate);
    }
    state.counters["x_realtime"] =
        benchmark::Counter(static_cast<double>(frames) / kRate, benchmark::Counter::kIsRate);
}

const bool registered = [] {
    benchmark::RegisterBenchmark("shell/defaults", [](benchmark::State& state) { runShell(state, true); });
    benchmark::RegisterBenchmark("shell/pass-through",
                                 [](benchmark::State& state) { runShell(state, false); });
    return true;
}();

} // namespace
