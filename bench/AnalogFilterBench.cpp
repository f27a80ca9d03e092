// The analog filter models through the multimode unit alone, without the engine around it:
// every analog row of the type table, the oversampled "HQ" rows and the rows that run at the
// host rate (which the type parameter does not reach). 48 kHz stereo, blocks of 512 frames
// handed over in sub-blocks of 64 as the engine does, the cutoff swept by a 0.5 Hz sine so
// that the coefficient ramps run. The counter "x_realtime" is the multiple of real time.
#include "BenchSupport.h"

#include "filters/FilterTypeInfo.h"
#include "filters/MultimodeFilter.h"

#include <memory>
#include <numbers>
#include <string>

namespace
{

void runAnalogRow(benchmark::State& state, int row)
{
    using orvane_bench::kBlock;
    using orvane_bench::kRate;
    auto unit = std::make_unique<MultimodeFilter>();
    unit->setSampleRate(static_cast<float>(kRate));
    const std::vector<float>& inL = orvane_bench::benchInput(0);
    const std::vector<float>& inR = orvane_bench::benchInput(1);
    std::vector<float> l(kBlock), r(kBlock);
    constexpr int subBlock = MultimodeFilter::maxFrames;
    const double phaseStep = 2.0 * std::numbers::pi * 0.5 * subBlock / kRate;
    double phase = 0.0;
    std::size_t at = 0;
    std::int64_t frames = 0;
    for (auto _ : state) {
        if (at + kBlock > inL.size()) at = 0;
        std::copy_n(inL.data() + at, kBlock, l.data());
        std::copy_n(inR.data() + at, kBlock, r.data());
        for (int s = 0; s < kBlock; s += subBlock) {
            const float cutoff = 0.5f + 0.3f * static_cast<float>(std::sin(phase));
            phase += phaseStep;
            unit->process(row, cutoff, 0.5f, 0.f, 1.f, 0.f, 0.f, &l[s], &r[s], subBlock);
        }
        benchmark::DoNotOptimize(l.data());
        benchmark::DoNotOptimize(r.data());
        benchmark::ClobberMemory();
        at += kBlock;
        frames += kBlock;
    }
    state.counters["x_realtime"] =
        benchmark::Counter(static_cast<double>(frames) / kRate, benchmark::Counter::kIsRate);
}

bool registerAnalogRows()
{
    for (int row = 0; row < filterTypeCount; ++row) {
        const int filterClass = filterTypes[row].filterClass;
        if (filterClass < filterClassSVF || filterClass > filterClassMoog) continue;
        benchmark::RegisterBenchmark(("analog/" + std::string(filterTypes[row].name)).c_str(),
                                     [row](benchmark::State& state) { runAnalogRow(state, row); });
    }
    return true;
}

const bool registered = registerAnalogRows();

} // namespace
