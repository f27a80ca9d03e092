#include "FilterTestSupport.h"

#include "filters/KsFilterBiquad.h"
#include "filters/KsFilterBiquadBP.h"
#include "filters/KsFilterBiquadBPFat.h"
#include "filters/KsFilterBiquadLPFat.h"
#include "filters/KsFilterBiquadPeaking.h"

#include <array>

using namespace filtertest;

namespace
{
using Build = KsFilter* (*)();
template <class F> KsFilter* build()
{
    return new F;
}

std::unique_ptr<KsFilter> make(Build b, int32_t mode, float res)
{
    std::unique_ptr<KsFilter> f(b());
    f->setSampleRate(rate);
    f->setMode(mode);
    f->setCutoff(noteOf(1000.0));
    f->setResonance(res);
    f->reset();
    return f;
}
} // namespace

// Responses at 1 kHz cutoff: {filter, mode, resonance, probe Hz, lowest gain, highest gain}.
TEST(BiquadFamily, FrequencyResponses)
{
    const Build biquad = build<KsFilterBiquad>, peaking = build<KsFilterBiquadPeaking>,
                bp = build<KsFilterBiquadBP>, bpFat = build<KsFilterBiquadBPFat>,
                lpFat = build<KsFilterBiquadLPFat>;
    const double db3 = std::pow(10.0, 3.0 / 20.0), db21 = std::pow(10.0, 21.0 / 20.0);
    const struct {
        const char* what;
        Build build;
        int32_t mode;
        float res;
        double hz, lo, hi;
    } cases[] = {
        {"LP Q 7 at cutoff", biquad, 0, 1.f, 1000, 6.7, 7.3},
        {"HP blocks DC", biquad, 2, 0.f, 0, 0, 1e-3},
        {"notch 0.01 octave wide", biquad, 3, 0.f, 1059.5, 0.95, 1.01},
        {"Peaking 21 dB at res 1", peaking, 0, 1.f, 1000, db21 * 0.98, db21 * 1.02},
        {"BP2 BQ peaks 3 dB at cutoff", bp, 0, 0.f, 1000, db3 * 0.97, db3 * 1.03},
        {"BP2 Fat peaks at cutoff", bpFat, 0, 1.f, 1000, 20, 40},
        {"LP2 Fat 4 poles", lpFat, 0, 0.f, 8000, 0, 3e-4},
    };
    for (const auto& c : cases) {
        const double g = gainAt(*make(c.build, c.mode, c.res), c.hz);
        EXPECT_GE(g, c.lo) << c.what;
        EXPECT_LE(g, c.hi) << c.what;
    }
}

TEST(BiquadFamily, RunawaySectionRestartsFromSilenceKeepingInputs)
{
    KsFilterBiquad f;
    f.setSampleRate(rate);
    f.setCutoff(noteOf(1000.0));
    f.reset();
    float block[8] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f}, loud[64];
    f.process(block, 8);
    // Force an unstable section: the output grows without bound.
    f.a1 = -2.5f;
    f.a2 = 1.5f;
    std::fill(loud, loud + 64, 1.f);
    f.process(loud, 64);
    EXPECT_EQ(f.y1, 0.f);
    EXPECT_EQ(f.y2, 0.f);
    EXPECT_EQ(f.x1, 1.f);
    EXPECT_EQ(f.x2, 1.f);
    // A non-finite input does not leave the section poisoned.
    f.reset();
    f.process(block, 8);
    float bad[4] = {NAN, 0.f, 0.f, 0.f};
    f.process(bad, 4);
    EXPECT_EQ(f.y1, 0.f);
}

// The stereo pass (one design for both channels when their settings match) equals two mono
// passes whether they match or not, for blocks shorter and longer than the cascade's lag.
TEST(BiquadFamily, StereoPassEqualsTwoMonoPasses)
{
    std::mt19937 gen(7);
    for (Build b : {build<KsFilterBiquad>, build<KsFilterBiquadBP>, build<KsFilterBiquadBPFat>,
                    build<KsFilterBiquadLPFat>, build<KsFilterBiquadPeaking>})
        for (float rightRes : {0.7f, 0.2f}) {
            auto l = make(b, 0, 0.7f), r = make(b, 0, rightRes), lm = make(b, 0, 0.7f),
                 rm = make(b, 0, rightRes);
            const int lengths[] = {64, 3, 1, 17, 4, 64};
            for (int block = 0; block < 6; ++block) {
                for (KsFilter* f : {l.get(), r.get(), lm.get(), rm.get()})
                    f->setCutoff(noteOf(500.0 * (block + 1)));
                std::vector<float> x = noise(64, 1.f, gen()), y = noise(64, 1.f, gen());
                ASSERT_TRUE(stereoEqualsMono(*l, *r, *lm, *rm, x.data(), y.data(), lengths[block])) << block;
            }
        }
}

// The band-pass pairs design for the next note while filtering a chunk: exactly processStereo then
// setCutoff on both, for matching and differing channels, odd chunks and notes above Nyquist.
TEST(BiquadFamily, PairRetunedWhileFilteringEqualsFilterThenSetCutoff)
{
    std::mt19937 gen(11);
    std::uniform_real_distribution<float> d(-1.f, 1.f);
    for (float sr : {48000.f, 22050.f})
        for (float rightRes : {0.6f, 0.1f}) {
            KsFilterBiquadBP bp[4]; // left, right, left mono, right mono
            KsFilterBiquadBPFat fat[4];
            for (int k = 0; k < 4; ++k)
                for (KsFilter* f : {static_cast<KsFilter*>(&bp[k]), static_cast<KsFilter*>(&fat[k])}) {
                    f->setSampleRate(sr);
                    f->setResonance(k % 2 ? rightRes : 0.6f);
                }
            const std::array<KsFilterBiquadPair*, 4> sets[] = {
                {&bp[0].inner, &bp[1].inner, &bp[2].inner, &bp[3].inner},
                {&fat[0].inner, &fat[1].inner, &fat[2].inner, &fat[3].inner}};
            for (const auto& p : sets) {
                const int lengths[] = {16, 16, 3, 1, 16, 7, 16, 2, 16, 16};
                for (int chunk = 0; chunk < 40; ++chunk) {
                    const int n = lengths[chunk % 10];
                    // Notes from 40 Hz to well above Nyquist at 22.05 kHz, a repeated one among them.
                    const float note = chunk % 9 == 8 ? 100.f : 30.f + 3.f * static_cast<float>(chunk);
                    float a[16], b[16], am[16], bm[16];
                    for (int i = 0; i < 16; ++i)
                        am[i] = a[i] = d(gen), bm[i] = b[i] = d(gen);
                    p[0]->processStereoThenSetCutoff(a, b, n, *p[1], note);
                    p[2]->processStereo(am, bm, n, *p[3]);
                    p[2]->setCutoff(note);
                    p[3]->setCutoff(note);
                    ASSERT_EQ(0, std::memcmp(a, am, sizeof a)) << chunk;
                    ASSERT_EQ(0, std::memcmp(b, bm, sizeof b)) << chunk;
                }
            }
        }
}
