#pragma once
// Helpers shared by the filter tests: notes, signals, analog models set up as the unit does it, gains.

#include "filters/KsFilter.h"
#include "filters/MS20AFilter.h"
#include "filters/MoogAFilter.h"
#include "filters/OTAAFilter.h"
#include "filters/SVFAFilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

namespace filtertest
{
constexpr float rate = 48000.f;

// Note number of a frequency (69 = 440 Hz).
inline float noteOf(double hz)
{
    return static_cast<float>(69.0 + 12.0 * std::log2(hz / 440.0));
}

inline std::vector<float> noise(int frames, float amplitude, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(-amplitude, amplitude);
    std::vector<float> v(frames);
    for (float& x : v)
        x = dist(rng);
    return v;
}

// A sine of the given frequency; a constant `amplitude` for 0 Hz.
inline std::vector<float> sine(int frames, double hz, double sr, float amplitude)
{
    std::vector<float> v(frames, amplitude);
    for (int i = 0; hz != 0.0 && i < frames; ++i)
        v[i] = amplitude * static_cast<float>(std::sin(2.0 * std::numbers::pi * hz * i / sr));
    return v;
}

inline bool sameBits(const std::vector<float>& a, const std::vector<float>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

// l.processStereo(a, b, n, r) in place gives exactly what lm and rm give on a and b alone,
// bit for bit.
inline testing::AssertionResult stereoEqualsMono(KsFilter& l, KsFilter& r, KsFilter& lm, KsFilter& rm,
                                                 float* a, float* b, int n)
{
    std::vector<float> am(a, a + n), bm(b, b + n);
    l.processStereo(a, b, n, r);
    lm.process(am.data(), n);
    rm.process(bm.data(), n);
    if (std::memcmp(a, am.data(), n * sizeof(float)) == 0 &&
        std::memcmp(b, bm.data(), n * sizeof(float)) == 0)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "the stereo pass differs from the mono passes";
}

// Runs one channel through process in chunks (16 frames, as the unit does).
inline void runMono(KsFilter& f, std::vector<float>& buffer, int chunk = 16)
{
    for (size_t i = 0; i < buffer.size(); i += chunk)
        f.process(buffer.data() + i, static_cast<int>(std::min<size_t>(chunk, buffer.size() - i)));
}

// Gain of a filter for a unit sine (or DC), measured as peak output over the second half of a
// long run (after the transient), in blocks of 64.
inline double gainAt(KsFilter& f, double hz, double sr = rate)
{
    f.reset();
    std::vector<float> x = sine(16384, hz, sr, 1.f);
    runMono(f, x, 64);
    double peak = 0.0;
    for (size_t i = x.size() / 2; i < x.size(); ++i)
        peak = std::max(peak, std::fabs(static_cast<double>(x[i])));
    return peak;
}

enum class Model { svf, ms20, ota, moog };

inline const char* modelName(Model m)
{
    const char* names[] = {"SVF", "K20", "XP", "MG"};
    return names[static_cast<int>(m)];
}

// A model after the unit's type set-up: rate, mode, cutoff, resonance, drive 1, reset.
inline std::unique_ptr<AnalogFilter> setUp(Model m, int mode, float note, float res, float sr = rate)
{
    std::unique_ptr<AnalogFilter> f;
    if (m == Model::svf) f = std::make_unique<SVFAFilter>();
    if (m == Model::ms20) f = std::make_unique<MS20AFilter>();
    if (m == Model::ota) f = std::make_unique<OTAAFilter>();
    if (m == Model::moog) f = std::make_unique<MoogAFilter>();
    f->setSampleRate(sr);
    f->setMode(mode);
    f->setCutoff(note);
    f->setResonance(res);
    f->setDrive(1.f);
    f->reset();
    return f;
}

inline double rms(const std::vector<float>& v, size_t from)
{
    double sum = 0;
    for (size_t i = from; i < v.size(); ++i)
        sum += double(v[i]) * v[i];
    return std::sqrt(sum / double(v.size() - from));
}

// Gain in dB of a small sine at hz through a model (the second half of the output is measured).
inline double gainDb(Model m, int mode, float note, float res, double hz, float sr = rate)
{
    auto f = setUp(m, mode, note, res, sr);
    const std::vector<float> x = sine(16384, hz, sr, 0.1f);
    std::vector<float> y = x;
    runMono(*f, y);
    return 20.0 * std::log10(rms(y, x.size() / 2) / rms(x, x.size() / 2));
}

} // namespace filtertest
