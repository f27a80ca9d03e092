#pragma once
// Helpers shared by the analog model tests: building a model set up the way the multimode
// unit sets it up, deterministic signals and simple level measurements.

#include "FilterTestSupport.h"
#include "filters/MS20AFilter.h"
#include "filters/MoogAFilter.h"
#include "filters/OTAAFilter.h"
#include "filters/SVFAFilter.h"

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

namespace analogtest
{
using filtertest::noise;
using filtertest::noteOf;

enum class Model { svf, ms20, ota, moog };

inline const char* modelName(Model m)
{
    const char* names[] = {"SVF", "K20", "XP", "MG"};
    return names[static_cast<int>(m)];
}

inline std::unique_ptr<AnalogFilter> makeModel(Model m)
{
    if (m == Model::svf) return std::make_unique<SVFAFilter>();
    if (m == Model::ms20) return std::make_unique<MS20AFilter>();
    if (m == Model::ota) return std::make_unique<OTAAFilter>();
    return std::make_unique<MoogAFilter>();
}

// A model after the unit's type set-up: rate, mode, cutoff, resonance, drive 1, reset.
inline std::unique_ptr<AnalogFilter> setUp(Model m, int mode, float note, float res, float rate = 48000.f)
{
    auto f = makeModel(m);
    f->setSampleRate(rate);
    f->setMode(mode);
    f->setCutoff(note);
    f->setResonance(res);
    f->setDrive(1.f);
    f->reset();
    return f;
}

inline std::vector<float> sine(int frames, double hz, double rate, float amplitude)
{
    std::vector<float> v(frames);
    for (int i = 0; i < frames; ++i)
        v[i] = amplitude * static_cast<float>(std::sin(2.0 * std::numbers::pi * hz * i / rate));
    return v;
}

// Runs one channel through process in chunks of 16 frames, as the unit does.
inline void runMono(AnalogFilter& f, std::vector<float>& buffer)
{
    for (size_t i = 0; i < buffer.size(); i += 16)
        f.process(buffer.data() + i, static_cast<int>(std::min<size_t>(16, buffer.size() - i)));
}

inline double rms(const std::vector<float>& v, size_t from)
{
    double sum = 0;
    for (size_t i = from; i < v.size(); ++i)
        sum += double(v[i]) * v[i];
    return std::sqrt(sum / double(v.size() - from));
}

// Gain in dB of a small sine at hz through a model (the second half of the output is measured).
inline double gainDb(Model m, int mode, float note, float res, double hz, float rate = 48000.f)
{
    auto f = setUp(m, mode, note, res, rate);
    const int frames = 16384;
    std::vector<float> x = sine(frames, hz, rate, 0.1f);
    std::vector<float> y = x;
    runMono(*f, y);
    return 20.0 * std::log10(rms(y, frames / 2) / rms(x, frames / 2));
}

} // namespace analogtest
