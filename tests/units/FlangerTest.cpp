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

// Impulse response on both channels with a fixed delay (depth 0) and mix 1.
std::vector<float> staticImpulseResponse(float feedback)
{
    Flanger f;
    f.setSampleRate(48000);
    f.setDepth(0.0f);
    std::vector<float> l(512, 0.0f), r(512, 0.0f);
    l[0] = r[0] = 1.0f;
    inBlocks(l, r, 64, [&](float* a, float* b, int n) { f.process(a, b, n, 1.0f, 1.0f, feedback); });
    EXPECT_EQ(l, r); // without a sweep both taps read the same place
    return l;
}

} // namespace

TEST(Flanger, BlockProcessingMatchesTheFormulaSampleBySample)
{
    SineTable::Reference sine;
    struct Case {
        float sampleRate, delay, depth, rate;
        int block;
    };
    const Case cases[] = {
        {48000, 0.0012f, 0.0043f, 2.0f, 64}, // taps reach into the block
        {48000, 0.005f, 0.0043f, 2.0f, 64},  // taps behind the block: vector path
        {48000, 0.0001f, 0.001f, 8.0f, 100}, {44100, 0.01f, 0.0f, 0.5f, 37}, {8000, 0.0001f, 0.001f, 8.0f, 1},
        {48000, 0.0001f, 0.0f, 3.0f, 64}}; // the last line is shorter than a block
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

TEST(Flanger, MixZeroPassesInputWhileTheLineRuns)
{
    Flanger f;
    auto l = noise(256, 2), r = l;
    const auto in = l;
    f.process(l.data(), r.data(), 256, 1.0f, 2.0f, 0.5f); // no sample rate yet: unchanged
    EXPECT_EQ(l, in);
    f.setSampleRate(48000);
    EXPECT_EQ(f.capacity, 1680); // 35 ms
    f.process(l.data(), r.data(), 256, 0.0f, 2.0f, 0.5f);
    EXPECT_EQ(l, in);
    EXPECT_EQ(r, in);
    std::vector<float> zl(64, 0.0f), zr(64, 0.0f);
    f.process(zl.data(), zr.data(), 64, 1.0f, 2.0f, 0.5f);
    EXPECT_NE(zl, std::vector<float>(64, 0.0f)); // the line was written all along
}

TEST(Flanger, StaticCombEchoFeedbackAndStereoSweep)
{
    const auto dry = staticImpulseResponse(0.0f);
    EXPECT_FLOAT_EQ(dry[0], 0.5f); // mix 1: half dry, half tap
    int period = 0;
    for (int i = 1; i < 512; ++i)
        if (dry[i] != 0.0f) {
            EXPECT_EQ(period, 0) << "a second echo at " << i;
            period = i;
        }
    EXPECT_NEAR(period, 0.0012 * 48000, 1.5);
    EXPECT_FLOAT_EQ(dry[period], 0.5f);
    const auto fed = staticImpulseResponse(0.8f);
    EXPECT_FLOAT_EQ(fed[2 * period], 0.5f * 0.8f);
    EXPECT_FLOAT_EQ(fed[3 * period], 0.5f * 0.8f * 0.8f);

    // With a sweep, a mono input comes out as two different channels.
    Flanger f;
    f.setSampleRate(48000);
    auto l = noise(4096, 3), r = l;
    inBlocks(l, r, 64, [&](float* a, float* b, int n) { f.process(a, b, n, 1.0f, 2.0f, 0.3f); });
    int differing = 0;
    for (int i = 0; i < 4096; ++i)
        differing += l[i] != r[i];
    EXPECT_GT(differing, 3000);
}

TEST(Flanger, DelayChangeKeepsLineContents)
{
    Flanger f;
    f.setSampleRate(48000);
    auto l = noise(300, 4), r = noise(300, 5);
    f.process(l.data(), r.data(), 300, 0.5f, 2.0f, 0.5f);
    const std::vector<float> before(f.buffer.get(), f.buffer.get() + f.capacity);
    f.setBaseDelay(0.004f);
    EXPECT_EQ(std::vector<float>(f.buffer.get(), f.buffer.get() + f.capacity), before);
}

TEST(Flanger, HostileSettingsStayFiniteAndInBounds)
{
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const float cases[][6] = {{48000, nan, nan, nan, nan, nan},
                              {48000, -1, -1, -1, -5, -1},
                              {48000, inf, inf, inf, inf, inf},
                              {8, 0.01f, 0.001f, 1, 8, 0.95f},
                              {192000, 1, 1, 5, 1e9f, 5}};
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
