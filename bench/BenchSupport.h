// Engine benchmarks at 48 kHz stereo, block 512: construct Orvane, apply the
// product defaults and a list of settings by parameter name, then process a
// fixed input block after block. The counter "x_realtime" is seconds of audio
// processed per second of run time, that is the multiple of real time.
//
// Register a configuration with one line in any bench/*.cpp:
//   static const bool gate = orvane_bench::registerEngine("engine/gate", {{"TranceGateOn", 1.0f}, ...});
#pragma once

#include "engine/KsProgram.h"
#include "engine/Orvane.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace orvane_bench
{

constexpr int kRate = 48000;
constexpr int kBlock = 512;

using Settings = std::vector<std::pair<std::string, float>>;

// Every section on: gate, pan by its oscillator, the filter with its cutoff oscillator, exciter
// and saturator, flanger, delay and reverb.
inline const Settings& everythingOn()
{
    static const Settings settings = {
        {"TranceGateOn", 1.0f},    {"SeqPat1TGateOn", 1.0f},  {"Seq1Step1Vol", 1.0f},
        {"Seq1Step3Vol", 0.7f},    {"PanOn", 1.0f},           {"PanSource", 0.0f},
        {"PanDepth", 0.6f},        {"MmFilterOn", 1.0f},      {"MmFilterType", 0.20f},
        {"MmFilterCutoff", 0.5f},  {"MmFilterRes", 0.4f},     {"CutoffModOn", 1.0f},
        {"CutoffModSource", 0.0f}, {"CutoffModDepth", 0.4f},  {"DistOn", 1.0f},
        {"DistXcita", 0.4f},       {"DistSoftSat", 0.3f},     {"FlangerOn", 1.0f},
        {"FlangerMix", 0.5f},      {"FlangerFeedback", 0.5f}, {"DelayOn", 1.0f},
        {"DelayMix", 0.4f},        {"DelayFeedback", 0.5f},   {"ReverbOn", 1.0f},
        {"ReverbMix", 0.3f},       {"ReverbSize", 0.7f}};
    return settings;
}

// Two seconds of deterministic stereo input: a chord of sines with noise bursts.
inline const std::vector<float>& benchInput(int channel)
{
    static const std::array<std::vector<float>, 2> channels = [] {
        std::vector<float> l(2 * kRate), r(2 * kRate);
        std::uint32_t noise = 12345u;
        for (std::size_t i = 0; i < l.size(); ++i) {
            const double t = static_cast<double>(i) / kRate;
            noise = noise * 1664525u + 1013904223u;
            const float n = static_cast<float>(static_cast<std::int32_t>(noise)) / 2147483648.0f;
            const float burst = std::fmod(t, 0.25) < 0.03 ? 0.3f : 0.0f;
            const float tone = static_cast<float>(0.2 * std::sin(2 * M_PI * 220.0 * t) +
                                                  0.15 * std::sin(2 * M_PI * 277.2 * t) +
                                                  0.1 * std::sin(2 * M_PI * 329.6 * t));
            l[i] = tone + burst * n;
            r[i] = tone * 0.8f + burst * n * 0.7f;
        }
        return std::array<std::vector<float>, 2>{l, r};
    }();
    return channels[static_cast<std::size_t>(channel)];
}

// An engine set up as the renderer does it: 48 kHz, product defaults, settings, 120 bpm, resumed.
// Returns null when a setting names no parameter.
inline std::unique_ptr<Orvane> makeEngine(const Settings& settings, std::string* unknown = nullptr)
{
    auto engine = std::make_unique<Orvane>();
    engine->setSampleRate(static_cast<float>(kRate));
    const OrvaneProgram defaults;
    for (int i = 0; i < defaults.count; ++i)
        engine->setParameter(i, defaults.values[i]);
    for (const auto& [name, value] : settings) {
        const int index = engine->parameterIndex(name.c_str());
        if (index < 0) {
            if (unknown) *unknown = name;
            return nullptr;
        }
        engine->setParameter(index, value);
    }
    engine->setTempo(120.0f, 0.0);
    engine->resume();
    return engine;
}

// The benchmark body: 512-frame blocks of the fixed input through the engine.
inline void runEngine(benchmark::State& state, const Settings& settings)
{
    std::string unknown;
    const std::unique_ptr<Orvane> engine = makeEngine(settings, &unknown);
    if (!engine) {
        state.SkipWithError(("unknown parameter " + unknown).c_str());
        return;
    }
    const std::vector<float>& inL = benchInput(0);
    const std::vector<float>& inR = benchInput(1);
    std::vector<float> outL(kBlock), outR(kBlock);
    std::size_t at = 0;
    std::int64_t frames = 0;
    for (auto _ : state) {
        if (at + kBlock > inL.size()) at = 0;
        engine->process(inL.data() + at, inR.data() + at, outL.data(), outR.data(), kBlock, true);
        benchmark::DoNotOptimize(outL.data());
        benchmark::DoNotOptimize(outR.data());
        benchmark::ClobberMemory();
        at += kBlock;
        frames += kBlock;
    }
    state.counters["x_realtime"] =
        benchmark::Counter(static_cast<double>(frames) / kRate, benchmark::Counter::kIsRate);
}

// Registers one configuration; use the result to initialise a static.
inline bool registerEngine(const char* name, Settings settings)
{
    benchmark::RegisterBenchmark(name, [settings](benchmark::State& state) { runEngine(state, settings); });
    return true;
}

} // namespace orvane_bench
