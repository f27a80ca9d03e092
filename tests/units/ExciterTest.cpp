#include "units/Exciter.h"
#include "UnitTestSignals.h"
#include "units/SoftSaturator.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(SoftSaturator, CurvePointsAndBlockLoop)
{
    struct Case {
        float amount, in, out, tolerance;
    };
    const Case cases[] = {
        {1.0f, 0.12f, 0.6f, 1e-6f}, {1.0f, -0.5f, -0.871f, 1e-3f}, {1.0f, 1.0f, 1.0f, 1e-5f}};
    for (const Case& c : cases) {
        SoftSaturator s;
        float l[1] = {c.in}, r[1] = {c.in};
        s.process(l, r, 1, c.amount);
        EXPECT_NEAR(l[0], c.out, c.tolerance) << c.amount << " " << c.in;
        EXPECT_EQ(l[0], r[0]);
    }
    // An odd block length exercises any unrolled tail: every sample gets the same curve.
    SoftSaturator s;
    const auto in = noise(67, 7, 1.5f);
    auto l = in, r = in;
    s.process(l.data(), r.data(), 67, 0.7f);
    for (int i = 0; i < 67; ++i)
        ASSERT_EQ(l[i], s.shape(in[i])) << i;
}

TEST(Exciter, FullAmountClipsAndSilenceReleasesTheFollower)
{
    Exciter e;
    std::vector<float> l(512), r(512);
    for (size_t i = 0; i < l.size(); ++i)
        l[i] = r[i] = (i & 1) ? -1.0f : 1.0f; // full-scale Nyquist tone: all high band
    e.setSampleRate(48000);
    e.process(l.data(), r.data(), 512, 1.0f);
    EXPECT_FLOAT_EQ(std::fabs(l[511]), 0.999f);
    EXPECT_FLOAT_EQ(std::fabs(r[511]), 0.999f);
    // 0.1 s of silence releases the envelope completely; then silence stays exact silence.
    std::vector<float> zl(4800 + 64, 0.0f), zr(4800 + 64, 0.0f);
    e.process(zl.data(), zr.data(), 4800, 1.0f);
    EXPECT_EQ(e.follower.value, 0.0f);
    e.process(zl.data() + 4800, zr.data() + 4800, 64, 1.0f);
    EXPECT_EQ(std::vector<float>(zl.begin() + 4800, zl.end()), std::vector<float>(64, 0.0f));
}

// The block loop runs the two high-passes and the envelope side by side in vector lanes; it
// must give exactly what the per-sample formula gives, for loud and for very quiet input (where
// the envelope sits at 0 and its branches would go either way), in odd block lengths.
TEST(Exciter, BlockLoopEqualsPerSampleFormula)
{
    Exciter e;
    e.setSampleRate(48000);
    BiquadFilter hl = e.highPassL, hr = e.highPassR;
    PeakFollower env = e.follower;
    for (const float level : {1.5f, 1e-7f}) {
        auto l = noise(1000, 11, level), r = noise(1000, 12, level);
        const auto inL = l, inR = r;
        inBlocks(l, r, 97, [&](float* bl, float* br, int n) { e.process(bl, br, n, 0.7f); });
        for (size_t i = 0; i < inL.size(); ++i) {
            const float hL = hl.processSample(inL[i]), hR = hr.processSample(inR[i]);
            const float g = std::min(env.process((hL + hR) * 300.0f * 0.5f) * 10.0f, 3.0f);
            const float yL = std::clamp(inL[i] + g * hL, -0.999f, 0.999f);
            const float yR = std::clamp(inR[i] + g * hR, -0.999f, 0.999f);
            ASSERT_EQ(l[i], 0.3f * inL[i] + 0.7f * yL) << level << " " << i;
            ASSERT_EQ(r[i], 0.3f * inR[i] + 0.7f * yR) << level << " " << i;
        }
    }
}
