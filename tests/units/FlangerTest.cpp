#include "units/Flanger.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace
{

std::vector<float> noise(int n, unsigned seed)
{
    std::vector<float> v(n);
    for (float& x : v) {
        seed = seed * 1664525u + 1013904223u;
        x = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
    }
    return v;
}

// Runs an impulse on both channels through a flanger with a fixed delay (depth 0).
std::vector<float> staticImpulseResponse(float feedback, int n)
{
    Flanger f;
    f.setSampleRate(48000);
    f.setDepth(0.0f);
    std::vector<float> l(n, 0.0f), r(n, 0.0f);
    l[0] = r[0] = 1.0f;
    for (int i = 0; i < n; i += 64)
        f.process(l.data() + i, r.data() + i, std::min(64, n - i), 1.0f, 1.0f, feedback);
    EXPECT_EQ(l, r); // with no sweep both taps read the same place
    return l;
}

// One frame of the flanger straight from its formula, on the unit's own fields.
void referenceFrame(Flanger& f, const float* sine, float& left, float& right)
{
    auto tap = [&](float p) {
        const int i = static_cast<int>(p);
        const float s = sine[i] + (sine[i + 1] - sine[i]) * (p - static_cast<float>(i));
        const float d = (s * 0.5f + 0.5f) * f.depth * f.sampleRate;
        const int k = static_cast<int>(d);
        const float fr = d - static_cast<float>(k);
        int a = f.readBase - k + f.length;
        while (a >= f.length)
            a -= f.length;
        int b = a + 1;
        while (b >= f.length)
            b -= f.length;
        return (1.0f - fr) * f.buffer[b] + fr * f.buffer[a];
    };
    const float xL = left, xR = right;
    f.phase += f.rate * 200.0f / f.sampleRate;
    if (f.phase >= 200.0f) f.phase -= 200.0f;
    const float tapL = tap(f.phase);
    float q = f.phase + f.stereoOffset * 50.0f;
    if (q >= 200.0f) q -= 200.0f;
    const float tapR = tap(q);
    float v = (tapL + tapR) * f.feedback * 0.5f + (xL + xR) * 0.5f;
    if (v > -1e-15f && v < 1e-15f) v = 0.0f;
    f.buffer[f.writeIndex] = v;
    left = tapL * f.wet + xL * (1.0f - f.wet);
    right = tapR * f.wet + xR * (1.0f - f.wet);
    if (++f.writeIndex >= f.length) f.writeIndex = 0;
    if (++f.readBase >= f.length) f.readBase = 0;
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
        {48000, 0.0012f, 0.0043f, 2.0f, 64},
        {48000, 0.0001f, 0.001f, 8.0f, 100},
        {44100, 0.01f, 0.0f, 0.5f, 37},
        {96000, 0.0001f, 0.0f, 1.0f, 512},
        {8000, 0.0001f, 0.001f, 8.0f, 1},
        {48000, 0.0001f, 0.0f, 3.0f, 64}, // a line shorter than the block
    };
    int seed = 10;
    for (const Case& c : cases) {
        Flanger fast, slow;
        for (Flanger* f : {&fast, &slow}) {
            f->setSampleRate(c.sampleRate);
            f->setBaseDelay(c.delay);
            f->setDepth(c.depth);
        }
        auto l = noise(c.block * 12, seed++), r = noise(c.block * 12, seed++);
        auto refL = l, refR = r;
        const int n = static_cast<int>(l.size());
        for (int i = 0; i < n; i += c.block) {
            fast.process(l.data() + i, r.data() + i, std::min(c.block, n - i), 0.8f, c.rate, 0.7f);
            slow.process(refL.data(), refR.data(), 0, 0.8f, c.rate, 0.7f); // stores the settings
            for (int j = i; j < std::min(i + c.block, n); ++j)
                referenceFrame(slow, sine.get(), refL[j], refR[j]);
        }
        for (int i = 0; i < n; ++i) {
            ASSERT_EQ(l[i], refL[i]) << c.sampleRate << " " << i;
            ASSERT_EQ(r[i], refR[i]) << c.sampleRate << " " << i;
        }
        EXPECT_EQ(fast.writeIndex, slow.writeIndex);
        EXPECT_EQ(fast.readBase, slow.readBase);
    }
}

TEST(Flanger, PassesAudioUnchangedBeforeASampleRate)
{
    Flanger f;
    auto in = noise(64, 1);
    auto l = in, r = in;
    f.process(l.data(), r.data(), 64, 1.0f, 2.0f, 0.9f);
    EXPECT_EQ(l, in);
    EXPECT_EQ(r, in);
}

TEST(Flanger, LineCapacityAndLength)
{
    Flanger f;
    f.setSampleRate(48000);
    EXPECT_EQ(f.capacity, 1680); // 35 ms
    EXPECT_EQ(f.length, static_cast<int>((0.0043f + 0.0012f) * 48000 + 0.5f));
    f.setBaseDelay(0.010f);
    f.setDepth(0.001f);
    EXPECT_EQ(f.length, 528);
    EXPECT_LE(f.length, f.capacity);
}

TEST(Flanger, MixZeroPassesInputWhileTheLineRuns)
{
    Flanger f;
    f.setSampleRate(48000);
    auto in = noise(256, 2);
    auto l = in, r = in;
    f.process(l.data(), r.data(), 256, 0.0f, 2.0f, 0.5f);
    EXPECT_EQ(l, in);
    EXPECT_EQ(r, in);
    // The line was written: a later wet block hears the earlier input.
    std::vector<float> zl(64, 0.0f), zr(64, 0.0f);
    f.process(zl.data(), zr.data(), 64, 1.0f, 2.0f, 0.5f);
    float energy = 0.0f;
    for (float x : zl)
        energy += x * x;
    EXPECT_GT(energy, 0.0f);
}

TEST(Flanger, StaticCombEchoAndFeedback)
{
    const int n = 512;
    const auto dry = staticImpulseResponse(0.0f, n);
    EXPECT_FLOAT_EQ(dry[0], 0.5f); // mix 1: half dry
    std::vector<int> echoes;
    for (int i = 1; i < n; ++i)
        if (dry[i] != 0.0f) echoes.push_back(i);
    ASSERT_EQ(echoes.size(), 1u);
    const int period = echoes[0];
    EXPECT_NEAR(period, 0.0012 * 48000, 1.5); // the base delay
    EXPECT_FLOAT_EQ(dry[period], 0.5f);       // half the tap

    const auto fed = staticImpulseResponse(0.8f, n);
    EXPECT_FLOAT_EQ(fed[period], 0.5f);
    EXPECT_FLOAT_EQ(fed[2 * period], 0.5f * 0.8f);
    EXPECT_FLOAT_EQ(fed[3 * period], 0.5f * 0.8f * 0.8f);
}

TEST(Flanger, MonoInputGivesDifferentChannels)
{
    Flanger f;
    f.setSampleRate(48000);
    auto in = noise(4096, 3);
    auto l = in, r = in;
    for (int i = 0; i < 4096; i += 64)
        f.process(l.data() + i, r.data() + i, 64, 1.0f, 2.0f, 0.3f);
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
    const int readBase = f.readBase;
    f.setBaseDelay(0.004f);
    EXPECT_EQ(std::vector<float>(f.buffer.get(), f.buffer.get() + f.capacity), before);
    const int depthSamples = static_cast<int>(0.0043f * 48000 + 0.5f);
    EXPECT_EQ(f.length, static_cast<int>((0.0043f + 0.004f) * 48000 + 0.5f));
    EXPECT_EQ(f.readBase, readBase < f.length ? readBase : 0);
    EXPECT_EQ(f.writeIndex, (f.readBase - depthSamples + f.length) % f.length);
}

TEST(Flanger, HostileSettingsStayFiniteAndInBounds)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float sampleRate, delay, depth, mix, rate, feedback;
    };
    const Case cases[] = {
        {48000, nan, nan, nan, nan, nan},
        {48000, -1, -1, -1, -5, -1},
        {48000, 1, 1, 5, 1e9f, 5},
        {48000, inf, inf, inf, inf, inf},
        {8, 0.01f, 0.001f, 1, 8, 0.95f},
        {192000, 0.0001f, 0, 1, 0.02f, 0.95f},
        {1000, 0.0001f, 0.001f, 1, 8, 0.95f},
    };
    for (const Case& c : cases) {
        Flanger f;
        f.setSampleRate(c.sampleRate);
        f.setBaseDelay(c.delay);
        f.setDepth(c.depth);
        ASSERT_LE(f.length, f.capacity);
        ASSERT_LT(f.readBase, f.length);
        ASSERT_LT(f.writeIndex, f.length);
        auto l = noise(1024, 6), r = noise(1024, 7);
        for (int i = 0; i < 1024; i += 64)
            f.process(l.data() + i, r.data() + i, 64, c.mix, c.rate, c.feedback);
        for (int i = 0; i < 1024; ++i) {
            ASSERT_TRUE(std::isfinite(l[i])) << c.sampleRate << " " << i;
            ASSERT_TRUE(std::isfinite(r[i]));
        }
    }
}
