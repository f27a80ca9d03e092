#include "units/Exciter.h"
#include "units/SoftSaturator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{

std::vector<float> noise(int n, unsigned seed, float level)
{
    std::vector<float> v(n);
    for (float& x : v) {
        seed = seed * 1664525u + 1013904223u;
        x = level * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f);
    }
    return v;
}

} // namespace

TEST(SoftSaturator, CurvePoints)
{
    struct Case {
        float amount, in, out, tolerance;
    };
    const Case cases[] = {
        {1.0f, 0.12f, 0.6f, 1e-6f},    // v = 0.6 is not above the knee: drive only
        {1.0f, 0.5f, 0.871f, 1e-3f},   // v = 2.5, t = 0.432
        {1.0f, 1.0f, 1.0f, 1e-5f},     // full scale reaches 1
        {1.0f, -1.0f, -1.0f, 1e-5f},   // symmetric
        {1.0f, -0.5f, -0.871f, 1e-3f}, //
        {0.5f, 0.2f, 0.6f, 1e-6f},     // drive 3: knee at 0.2
        {0.0f, 0.5f, 0.5f, 0.0f},      // drive 1: identity inside the knee
        {0.0f, 1.0f, 1.0f, 1e-5f},     //
    };
    for (const Case& c : cases) {
        SoftSaturator s;
        float l[1] = {c.in}, r[1] = {c.in};
        s.process(l, r, 1, c.amount);
        EXPECT_NEAR(l[0], c.out, c.tolerance) << c.amount << " " << c.in;
        EXPECT_EQ(l[0], r[0]);
    }
}

TEST(SoftSaturator, ContinuousAtKneeAndLoopMatchesScalarFormula)
{
    SoftSaturator s;
    s.amount = 0.7f;
    const float drive = 0.7f * 4 + 1;
    const float kneeIn = 0.6f / drive;
    EXPECT_NEAR(s.shape(std::nextafter(kneeIn, 1.0f)), 0.6f, 1e-5f);
    // Odd block lengths exercise any unrolled tail; every sample must get the same curve.
    auto in = noise(67, 7, 1.5f);
    auto l = in, r = in;
    s.process(l.data(), r.data(), static_cast<int>(in.size()), 0.7f);
    for (size_t i = 0; i < in.size(); ++i) {
        ASSERT_EQ(l[i], s.shape(in[i])) << i;
        ASSERT_EQ(r[i], l[i]);
    }
}

TEST(Exciter, FullAmountClipsAndSilenceReleasesTheFollower)
{
    Exciter e;
    e.setSampleRate(48000);
    // Alternating full-scale samples: a pure Nyquist tone, all high band.
    std::vector<float> l(512), r(512);
    for (size_t i = 0; i < l.size(); ++i)
        l[i] = r[i] = (i & 1) ? -1.0f : 1.0f;
    e.process(l.data(), r.data(), 512, 1.0f);
    EXPECT_FLOAT_EQ(std::fabs(l[511]), 0.999f);
    EXPECT_FLOAT_EQ(std::fabs(r[511]), 0.999f);
    EXPECT_GT(e.follower.value, 0.3f);

    // 0.1 s of silence (4800 samples at 48 kHz) takes the envelope from at most 1 to 0;
    // once the filter tails have been ended, silence comes out exactly as silence.
    std::vector<float> zl(4800, 0.0f), zr(4800, 0.0f);
    e.process(zl.data(), zr.data(), 4800, 1.0f);
    EXPECT_EQ(e.follower.value, 0.0f);
    std::vector<float> sl(64, 0.0f), sr(64, 0.0f);
    e.process(sl.data(), sr.data(), 64, 1.0f);
    EXPECT_EQ(sl, std::vector<float>(64, 0.0f));
    EXPECT_EQ(sr, std::vector<float>(64, 0.0f));
}

TEST(Exciter, PassesAudioUnchangedBeforeASampleRate)
{
    Exciter e;
    auto in = noise(64, 11, 1.2f);
    auto l = in, r = in;
    e.process(l.data(), r.data(), 64, 1.0f);
    EXPECT_EQ(l, in);
    EXPECT_EQ(r, in);
}

TEST(Exciter, SampleRateChangeRedesignsAndClears)
{
    Exciter e;
    e.setSampleRate(44100);
    const float b0at44 = e.highPassL.b0;
    auto l = noise(64, 5, 0.8f), r = noise(64, 6, 0.8f);
    e.process(l.data(), r.data(), 64, 1.0f);
    EXPECT_NE(e.highPassL.y1, 0.0f);
    e.setSampleRate(96000);
    EXPECT_NE(e.highPassL.b0, b0at44);
    EXPECT_EQ(e.highPassL.b0, e.highPassR.b0);
    EXPECT_EQ(e.highPassL.y1, 0.0f);
    EXPECT_EQ(e.highPassR.x1, 0.0f);
    EXPECT_EQ(e.follower.value, 0.0f);
    EXPECT_FLOAT_EQ(e.follower.releaseStep, 1.0f / (0.1f * 96000.0f));
}
