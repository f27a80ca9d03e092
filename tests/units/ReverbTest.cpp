#include "units/Reverb.h"
#include "UnitTestSignals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace
{

// A reverb at 48 kHz with the engine's mix handling (wet = mix / 4, dry = 1/2 - mix / 4).
void setUp(Reverb& r, float mix, float size = 0.5f)
{
    r.setSampleRate(48000);
    r.setDamp(0.5f);
    r.setRoomSize(size);
    r.setWet(mix * 0.25f);
    r.setDry(0.5f - mix * 0.25f);
}

void run(Reverb& r, std::vector<float>& l, std::vector<float>& rr, int block = 64)
{
    inBlocks(l, rr, block, [&](float* a, float* b, int n) { r.process(a, b, n); });
}

} // namespace

TEST(Reverb, LineSizesFollowTheSampleRate)
{
    Reverb r;
    r.setSampleRate(48000);
    EXPECT_EQ(r.combL[0].size, 1215); // 1116 samples at 44.1 kHz
}

TEST(Reverb, RoomSizeFeedbackAndTrim)
{
    const float cases[][3] = {{0.0f, 0.7f, 1.0f},   {0.5f, 0.84f, 1.0f},  {0.75f, 0.91f, 0.925f},
                              {1.0f, 0.98f, 0.85f}, {7.0f, 0.98f, 0.85f}, {-1.0f, 0.7f, 1.0f}};
    for (const auto& c : cases) {
        Reverb r;
        r.setRoomSize(c[0]);
        EXPECT_FLOAT_EQ(r.combR[7].feedback, c[1]) << c[0];
        EXPECT_FLOAT_EQ(r.sizeTrim, c[2]) << c[0];
    }
}

TEST(Reverb, ChunkedProcessingMatchesTheChainSampleBySample)
{
    Reverb fast, slow;
    setUp(fast, 0.8f, 0.8f);
    setUp(slow, 0.8f, 0.8f);
    unsigned seed = 1;
    // Odd sizes cross chunks and line wraps; blocks up to Reverb::shortFrames take the short
    // path of process, longer ones the chunked one.
    for (int block : {64, 100, 1, 37, 512, 8, Reverb::shortFrames, Reverb::shortFrames + 1}) {
        auto l = noise(block * 8, seed++), r = noise(block * 8, seed++);
        auto refL = l, refR = r;
        run(fast, l, r, block);
        for (size_t i = 0; i < refL.size(); ++i)
            slow.processFrame(refL[i], refR[i]);
        ASSERT_EQ(l, refL) << block;
        ASSERT_EQ(r, refR) << block;
    }
}

TEST(Reverb, LowRatesWithCombsShorterThanAChunkMatchTheChain)
{
    // Every comb's line and damping state, and the output, which stays finite because the wet
    // filters' corners are kept below Nyquist at these rates.
    for (float rate : {2000.0f, 1000.0f}) { // shortest comb line 51 and 25 samples
        Reverb fast, slow;
        for (Reverb* r : {&fast, &slow}) {
            r->setSampleRate(rate);
            r->setRoomSize(0.9f);
        }
        auto l = noise(1024, 51), r = noise(1024, 52);
        auto refL = l, refR = r;
        run(fast, l, r, 100);
        for (size_t i = 0; i < refL.size(); ++i)
            slow.processFrame(refL[i], refR[i]);
        ASSERT_TRUE(std::all_of(l.begin(), l.end(), [](float v) { return std::isfinite(v); })) << rate;
        ASSERT_EQ(l, refL) << rate;
        ASSERT_EQ(r, refR) << rate;
        for (int k = 0; k < Reverb::numCombs; ++k)
            for (auto side : {&Reverb::combL, &Reverb::combR}) {
                const CombFilter &a = (fast.*side)[k], &b = (slow.*side)[k];
                ASSERT_EQ(a.store, b.store) << rate << " " << k;
                ASSERT_EQ(a.index, b.index) << rate << " " << k;
                ASSERT_TRUE(std::equal(a.line, a.line + a.size, b.line)) << rate << " " << k;
            }
    }
}

TEST(Reverb, MixLevels)
{
    const auto inL = noise(2048, 11), inR = noise(2048, 12);
    Reverb zero, full, wetOnly;
    setUp(zero, 0.0f);
    auto l = inL, r = inR;
    run(zero, l, r);
    EXPECT_EQ(l, inL); // mix 0: exactly the input, while the tank keeps running
    EXPECT_EQ(r, inR);
    EXPECT_NE(zero.combL[0].store, 0.0f);

    // Mix 1: half the dry signal plus 0.75 times the reverb alone.
    setUp(full, 1.0f);
    setUp(wetOnly, 0.0f);
    wetOnly.setWet(1.0f / 3.0f); // wet 1
    wetOnly.setDry(0.0f);
    auto fl = inL, fr = inR, wl = inL, wr = inR;
    run(full, fl, fr);
    run(wetOnly, wl, wr);
    for (size_t i = 0; i < fl.size(); ++i) {
        ASSERT_NEAR(fl[i], 0.5f * inL[i] + 0.75f * wl[i], 1e-5f) << i;
        ASSERT_NEAR(fr[i], 0.5f * inR[i] + 0.75f * wr[i], 1e-5f) << i;
    }
}

TEST(Reverb, TailDecaysToExactSilenceWithoutDenormals)
{
    Reverb r;
    setUp(r, 0.5f);
    auto l = noise(4800, 31), rr = noise(4800, 32);
    run(r, l, rr);
    // 20 s of silence: lines whose current sample turns denormal are cleared at block ends,
    // and in the end nothing but exact zeros is left in the tank or the output.
    std::vector<float> zl(512), zr(512);
    for (int block = 0; block < 20 * 48000 / 512; ++block) {
        std::fill(zl.begin(), zl.end(), 0.0f);
        std::fill(zr.begin(), zr.end(), 0.0f);
        r.process(zl.data(), zr.data(), 512);
    }
    EXPECT_EQ(zl, std::vector<float>(512, 0.0f));
    EXPECT_EQ(zr, std::vector<float>(512, 0.0f));
    for (int k = 0; k < Reverb::numCombs; ++k) {
        EXPECT_EQ(r.combL[k].store, 0.0f);
        for (int i = 0; i < r.combL[k].size; ++i)
            ASSERT_NE(std::fpclassify(r.combL[k].line[i]), FP_SUBNORMAL);
    }
}

TEST(Reverb, UnsetOrUnusableRatePassesAudio)
{
    const auto in = noise(128, 41);
    for (float rate : {0.0f, 10.0f}) { // none yet, or so low that lines round to nothing
        Reverb r;
        r.setSampleRate(rate);
        auto l = in, rr = in;
        r.process(l.data(), rr.data(), 128);
        EXPECT_EQ(l, in) << rate;
    }
}
