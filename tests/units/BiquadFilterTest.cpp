#include "units/BiquadFilter.h"
#include "units/PeakFollower.h"
#include "units/SineTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

namespace
{

// Magnitude of the designed transfer function at frequency f.
double gainAt(const BiquadFilter& f, double hz, double sampleRate)
{
    const std::complex<double> z1 = std::polar(1.0, -6.283185307179586 * hz / sampleRate);
    const std::complex<double> z2 = z1 * z1;
    const auto num = double(f.b0) + double(f.b1) * z1 + double(f.b2) * z2;
    const auto den = 1.0 + double(f.a1) * z1 + double(f.a2) * z2;
    return std::abs(num / den);
}

std::vector<float> impulseResponse(BiquadFilter& f, int n)
{
    std::vector<float> out;
    for (int i = 0; i < n; ++i)
        out.push_back(f.processSample(i == 0 ? 1.0f : 0.0f));
    return out;
}

} // namespace

TEST(BiquadFilter, NeverDesignedOutputsSilence)
{
    BiquadFilter f;
    for (float x : {1.0f, -0.5f, 1e6f, 0.25f})
        EXPECT_EQ(f.processSample(x), 0.0f);
}

TEST(BiquadFilter, DesignGainsAtDcNyquistAndCutoff)
{
    struct Case {
        bool highPass;
        double sr, hz, bw;
    };
    const Case cases[] = {{false, 44100, 7000, 1.0}, {true, 44100, 7000, 1.0},  {false, 48000, 300, 1.5},
                          {true, 48000, 300, 1.5},   {false, 48000, 3000, 1.5}, {true, 96000, 400, 1.5}};
    for (const Case& c : cases) {
        BiquadFilter f;
        if (c.highPass)
            f.setHighPass(c.sr, c.hz, c.bw, false);
        else
            f.setLowPass(c.sr, c.hz, c.bw, false);
        const double pass = gainAt(f, c.highPass ? c.sr / 2 : 0.0, c.sr);
        const double stop = gainAt(f, c.highPass ? 0.0 : c.sr / 2, c.sr);
        EXPECT_NEAR(pass, 1.0, 1e-4) << c.hz;
        EXPECT_LT(stop, 1e-6) << c.hz;
        // At the cutoff the response is in the transition: neither stopped nor a large peak.
        const double atCutoff = gainAt(f, c.hz, c.sr);
        EXPECT_GT(atCutoff, 0.3) << c.hz;
        EXPECT_LT(atCutoff, 1.3) << c.hz;
    }
}

TEST(BiquadFilter, QFormMatchesButterworthAtCutoff)
{
    BiquadFilter f;
    f.setLowPass(48000, 1000, 0.7071067811865476, true);
    EXPECT_NEAR(gainAt(f, 1000, 48000), std::sqrt(0.5), 1e-4);
}

TEST(BiquadFilter, ClearStateKeepsTheResponse)
{
    BiquadFilter f;
    f.setHighPass(48000, 300, 1.5, false);
    const auto first = impulseResponse(f, 64);
    f.clearState();
    EXPECT_EQ(impulseResponse(f, 64), first);
}

TEST(BiquadFilter, UnusableDesignKeepsPreviousCoefficients)
{
    BiquadFilter f;
    f.setLowPass(48000, 1000, 1.5, false);
    const float b0 = f.b0, a1 = f.a1;
    f.setLowPass(0, 1000, 1.5, false);
    f.setLowPass(48000, 0, 1.5, false);
    f.setLowPass(48000, 1000, 0, false);
    EXPECT_EQ(f.b0, b0);
    EXPECT_EQ(f.a1, a1);
}

TEST(BiquadFilter, GuardEndsTinyTails)
{
    BiquadFilter f;
    f.y1 = 1e-16f;
    f.y2 = 0.3f;
    f.guardOutput();
    EXPECT_EQ(f.y1, 0.0f);
    EXPECT_EQ(f.y2, 0.0f);
    f.y1 = 1e-3f;
    f.y2 = 0.3f;
    f.guardOutput();
    EXPECT_EQ(f.y2, 0.3f);
}

TEST(PeakFollower, RisesByAttackStepAndFallsByReleaseStep)
{
    PeakFollower p;
    p.setAttackTime(0.01f);
    p.setReleaseTime(0.1f);
    p.setSampleRate(1000.0f); // attack step 0.1, release step 0.01
    EXPECT_FLOAT_EQ(p.attackStep, 0.1f);
    EXPECT_FLOAT_EQ(p.releaseStep, 0.01f);
    // The release is taken first, then the rise is limited to the attack step.
    EXPECT_NEAR(p.process(1.0f), 0.09f, 1e-6);
    EXPECT_NEAR(p.process(-1.0f), 0.18f, 1e-6); // negative input rises too
    EXPECT_NEAR(p.process(0.0f), 0.17f, 1e-6);
    for (int i = 0; i < 100; ++i)
        p.process(0.0f);
    EXPECT_EQ(p.value, 0.0f);
    p.setReleaseTime(0.0f);
    EXPECT_EQ(p.releaseStep, 0.0f);
}

TEST(SineTable, SharedAndReferenceCounted)
{
    const int before = SineTable::users();
    {
        SineTable::Reference a;
        SineTable::Reference b;
        EXPECT_EQ(a.get(), b.get());
        EXPECT_EQ(SineTable::users(), before + 2);
        EXPECT_EQ(a[0], 0.0f);
        EXPECT_NEAR(a[50], 1.0f, 1e-7);
        EXPECT_NEAR(a[150], -1.0f, 1e-7);
        EXPECT_EQ(a[200], a[0]);
    }
    EXPECT_EQ(SineTable::users(), before);
}
