#include "units/Flanger.h"
#include "UnitTestSignals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{

// One frame straight from the flanger's formula, on the unit's own fields.
void referenceFrame(Flanger& f, const float* sine, float& left, float& right)
{
    auto tap = [&](float p) {
        const int i = static_cast<int>(p);
        const float s = sine[i] + (sine[i + 1] - sine[i]) * (p - static_cast<float>(i));
        const float d = (s * 0.5f + 0.5f) * f.depth * f.sampleRate;
        const int k = static_cast<int>(d);
        const float fr = d - static_cast<float>(k);
        const int a = (f.readBase - k + f.length) % f.length, b = (a + 1) % f.length;
        return (1.0f - fr) * f.buffer[b] + fr * f.buffer[a];
    };
    const float xL = left, xR = right;
    f.phase += f.rate * 200.0f / f.sampleRate;
    if (f.phase >= 200.0f) f.phase -= 200.0f;
    const float tapL = tap(f.phase);
    const float q = f.phase + 50.0f;
    const float tapR = tap(q >= 200.0f ? q - 200.0f : q);
    float v = (tapL + tapR) * f.feedback * 0.5f + (xL + xR) * 0.5f;
    f.buffer[f.writeIndex] = (v > -1e-15f && v < 1e-15f) ? 0.0f : v;
    left = tapL * f.wet + xL * (1.0f - f.wet);
    right = tapR * f.wet + xR * (1.0f - f.wet);
    f.writeIndex = (f.writeIndex + 1) % f.length;
    f.readBase = (f.readBase + 1) % f.length;
}

} // namespace

TEST(Flanger, BlockProcessingMatchesTheFormulaSampleBySample)
{
    SineTable::Reference sine;
    struct Case {
        float sampleRate, delay, depth, rate;
        int block;
    };
    const Case cases[] = {{48000, 0.0012f, 0.0043f, 2.0f, 64}, // taps reach into the block
                          {48000, 0.005f, 0.0043f, 2.0f, 64},  // taps behind the block: vector path
                          {8000, 0.0001f, 0.001f, 8.0f, 1},
                          {48000, 0.0001f, 0.0f, 3.0f, 64}}; // a line shorter than a block
    unsigned seed = 10;
    for (const Case& c : cases) {
        Flanger fast, slow;
        for (Flanger* f : {&fast, &slow}) {
            f->setSampleRate(c.sampleRate);
            f->setBaseDelay(c.delay);
            f->setDepth(c.depth);
        }
        auto l = noise(c.block * 12, seed++), r = noise(c.block * 12, seed++);
        auto refL = l, refR = r;
        inBlocks(l, r, c.block,
                 [&](float* a, float* b, int n) { fast.process(a, b, n, 0.8f, c.rate, 0.7f); });
        slow.process(nullptr, nullptr, 0, 0.8f, c.rate, 0.7f); // stores the settings only
        for (size_t i = 0; i < refL.size(); ++i)
            referenceFrame(slow, sine.get(), refL[i], refR[i]);
        ASSERT_EQ(l, refL) << c.sampleRate << " " << c.block;
        ASSERT_EQ(r, refR) << c.sampleRate << " " << c.block;
    }
}

TEST(Flanger, HostileSettingsStayFiniteAndInBounds)
{
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const float cases[][6] = {
        {48000, nan, nan, nan, nan, nan}, {48000, inf, inf, inf, inf, inf}, {8, 0.01f, 0.001f, 1, 8, 0.95f}};
    for (const auto& c : cases) {
        Flanger f;
        f.setSampleRate(c[0]);
        f.setBaseDelay(c[1]);
        f.setDepth(c[2]);
        ASSERT_LE(f.length, f.capacity);
        auto l = noise(1024, 6), r = noise(1024, 7);
        inBlocks(l, r, 64, [&](float* a, float* b, int n) { f.process(a, b, n, c[3], c[4], c[5]); });
        for (int i = 0; i < 1024; ++i)
            ASSERT_TRUE(std::isfinite(l[i]) && std::isfinite(r[i])) << c[0] << " " << i;
    }
}
