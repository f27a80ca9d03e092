#include "FilterTestSupport.h"

#include "filters/KsFilterBitRed.h"
#include "filters/KsFilterComb.h"
#include "filters/KsFilterCombNeg.h"
#include "filters/KsFilterRingMod.h"

using namespace filtertest;

namespace
{
// A comb at rest with the given delay (the line is cleared after the delay is known, so no
// crossfade is pending).
template <class Comb> void setUpComb(Comb& c, double hz, float res)
{
    c.allocate(rate);
    c.setCutoff(noteOf(hz));
    c.setResonance(res);
    c.setSampleRate(rate);
}

// Runs n samples through a filter, an impulse at sample `at` (or none for at < 0).
std::vector<float> run(KsFilter& f, int n, int at)
{
    std::vector<float> x(n, 0.f);
    if (at >= 0) x[at] = 1.f;
    runMono(f, x, 64);
    return x;
}

// The stereo pass moves both lines' taps once; through cutoff changes (crossfades, one gathered
// while another runs) and different feedback per channel it gives exactly what two mono passes give.
template <class Comb> void expectCombStereoEqualsMono()
{
    Comb c[4]; // left, right, left mono, right mono
    for (int k = 0; k < 4; ++k)
        setUpComb(c[k], 800.0, k % 2 ? 0.3f : 0.9f);
    std::vector<float> a(200), b(200);
    for (int block = 0; block < 40; ++block) {
        if (block % 3 == 0)
            for (Comb& comb : c)
                comb.setCutoff(noteOf(600.0 + 97.0 * block));
        const int n = block % 5 == 4 ? 7 : 200;
        for (int i = 0; i < n; ++i)
            a[i] = std::sin(0.05f * (i + n * block)), b[i] = std::cos(0.07f * (i + n * block));
        ASSERT_TRUE(stereoEqualsMono(c[0], c[1], c[2], c[3], a.data(), b.data(), n)) << block;
    }
}
} // namespace

TEST(CombFilter, DelayOfOneCutoffPeriodWithFeedback)
{
    // 1 kHz: 48 samples at 48 kHz; no feedback gives a single echo, full feedback 0.99 per period.
    KsFilterComb dry, wet;
    KsFilterCombNeg neg;
    setUpComb(dry, 1000.0, 0.f);
    setUpComb(wet, 1000.0, 1.f);
    setUpComb(neg, 1000.0, 1.f);
    const auto once = run(dry, 200, 0), echoes = run(wet, 200, 0), inverted = run(neg, 200, 0);
    EXPECT_NEAR(once[48], 1.f, 1e-3f);
    EXPECT_NEAR(once[96], 0.f, 1e-3f);
    EXPECT_NEAR(echoes[96], 0.99f, 0.01f);
    EXPECT_NEAR(echoes[144], 0.99f * 0.99f, 0.01f);
    EXPECT_NEAR(inverted[96], -0.99f, 0.01f);
}

TEST(CombFilter, CrossfadesToNewDelayAndGathersChangesMadeDuringIt)
{
    KsFilterComb c;
    setUpComb(c, 1000.0, 0.f);
    run(c, 64, -1);
    c.setCutoff(noteOf(500.0)); // starts a 10 ms (480-sample) crossfade
    run(c, 100, -1);
    EXPECT_TRUE(c.line.crossfading);
    c.setCutoff(noteOf(250.0));
    c.setCutoff(noteOf(2000.0)); // only the latest request counts
    run(c, 390, -1);
    // The first crossfade has ended and the gathered change runs its own, to 24 samples.
    EXPECT_TRUE(c.line.crossfading);
    EXPECT_EQ((c.line.writeIndex - c.line.newReadIndex + c.line.length) % c.line.length, 24);
    run(c, 480, -1);
    EXPECT_FALSE(c.line.changing);
    const auto out = run(c, 128, 0);
    EXPECT_EQ(std::max_element(out.begin(), out.end(),
                               [](float x, float y) { return std::fabs(x) < std::fabs(y); }) -
                  out.begin(),
              24);
    EXPECT_NEAR(out[24], 1.f, 1e-3f);
}

TEST(CombFilter, LineStaysInItsRoom)
{
    // A rate beyond the allocated room keeps the line within it.
    KsFilterComb small;
    small.allocate(8000.f);
    small.setSampleRate(48000.f);
    EXPECT_EQ(small.line.length, 8000);
    run(small, 256, 0);
}

TEST(CombFilter, StereoPassEqualsTwoMonoPasses)
{
    expectCombStereoEqualsMono<KsFilterComb>();
    expectCombStereoEqualsMono<KsFilterCombNeg>();
}

TEST(BitRedFilter, OneBitGivesFiveLevelsAndBitsFollowCutoff)
{
    KsFilterBitRed f;
    f.setCutoff(noteOf(16000.0));
    f.setResonance(0.f);
    f.setDrive(1.f);
    EXPECT_EQ(f.bits, 1);
    std::vector<float> x = {-1.f, -0.6f, -0.3f, -0.1f, 0.f, 0.2f, 0.3f, 0.7f, 0.8f, 1.f};
    f.process(x.data(), 10);
    EXPECT_EQ(x, (std::vector<float>{-1.5f, -0.75f, -0.75f, 0.f, 0.f, 0.f, 0.75f, 0.75f, 1.5f, 1.5f}));
    EXPECT_EQ(KsFilterBitRed::bitsForNote(noteOf(80.0)), 16);
}

TEST(RingModFilter, MultipliesBySineAtCutoffAndRestartsAtReset)
{
    KsFilterRingMod f;
    f.setSampleRate(rate);
    f.setCutoff(noteOf(1000.0));
    f.reset();
    std::vector<float> x(480, 0.5f);
    f.process(x.data(), 480);
    EXPECT_NEAR(x[479], 0.5 * std::sin(2 * std::numbers::pi * 1000.0 * 480 / rate), 2e-3);
    f.reset();
    float one = 1.f;
    f.process(&one, 1);
    EXPECT_NEAR(one, std::sin(2 * std::numbers::pi * 1000.0 / rate), 2e-3);

    // The stereo pass (one sine for both channels) equals two mono passes.
    KsFilterRingMod g[4];
    for (KsFilterRingMod& h : g) {
        h.setSampleRate(2 * rate);
        h.setCutoff(noteOf(3100.0));
        h.reset();
    }
    std::vector<float> a = sine(300, 0.01, 2 * std::numbers::pi, 1.f), b = noise(300, 1.f, 3);
    EXPECT_TRUE(stereoEqualsMono(g[0], g[1], g[2], g[3], a.data(), b.data(), 300));
}
