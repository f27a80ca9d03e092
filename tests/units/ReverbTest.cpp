#include "units/Reverb.h"
#include "UnitTestSignals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

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

// Every line, index and damping state of the two reverbs is the same.
void expectSameTank(const Reverb& a, const Reverb& b, const std::string& where)
{
    for (int k = 0; k < Reverb::numCombs; ++k)
        for (auto side : {&Reverb::combL, &Reverb::combR}) {
            const CombFilter &x = (a.*side)[k], &y = (b.*side)[k];
            ASSERT_EQ(x.store, y.store) << where << " comb " << k;
            ASSERT_EQ(x.index, y.index) << where << " comb " << k;
            ASSERT_TRUE(std::equal(x.line, x.line + x.size, y.line)) << where << " comb " << k;
        }
    for (int k = 0; k < Reverb::numAllpasses; ++k)
        for (auto side : {&Reverb::allpassL, &Reverb::allpassR}) {
            const AllpassFilter &x = (a.*side)[k], &y = (b.*side)[k];
            ASSERT_EQ(x.index, y.index) << where << " all-pass " << k;
            ASSERT_TRUE(std::equal(x.line, x.line + x.size, y.line)) << where << " all-pass " << k;
        }
}

} // namespace

TEST(Reverb, ChunkedProcessingMatchesTheChainSampleBySample)
{
    Reverb fast, slow;
    setUp(fast, 0.8f, 0.8f);
    setUp(slow, 0.8f, 0.8f);
    unsigned seed = 1;
    // Odd sizes cross chunks and line wraps. Blocks up to Reverb::shortFrames move the lines in
    // whole vectors, and near a line's end sample by sample: their runs are long enough for
    // every line to wrap inside them.
    const int cases[][2] = {
        {512, 4096}, {1, 2000}, {13, 4004}, {Reverb::shortFrames, 4000}, {Reverb::shortFrames + 1, 136}};
    for (const auto& [block, frames] : cases) {
        auto l = noise(frames, seed++), r = noise(frames, seed++);
        auto refL = l, refR = r;
        run(fast, l, r, block);
        for (size_t i = 0; i < refL.size(); ++i)
            slow.processFrame(refL[i], refR[i]);
        ASSERT_EQ(l, refL) << block;
        ASSERT_EQ(r, refR) << block;
        expectSameTank(fast, slow, "block " + std::to_string(block));
    }
}

TEST(Reverb, ShortBlocksAfterSingleFramesOrAResetMatchTheChain)
{
    // Short blocks keep count of how far every line is from its end; frames stepped one at a
    // time in between, or a reset, move the lines without a block and must not confuse it.
    Reverb fast, slow;
    setUp(fast, 0.8f, 0.8f);
    setUp(slow, 0.8f, 0.8f);
    auto l = noise(6000, 61), r = noise(6000, 62);
    auto refL = l, refR = r;
    for (int i = 0; i < 6000; i += 100) {
        if (i == 3000) {
            fast.reset();
            slow.reset();
        }
        for (int j = i; j < i + 97; j += 8)
            fast.process(&l[j], &r[j], std::min(8, i + 97 - j));
        for (int j = i + 97; j < i + 100; ++j)
            fast.processFrame(l[j], r[j]);
        for (int j = i; j < i + 100; ++j)
            slow.processFrame(refL[j], refR[j]);
    }
    ASSERT_EQ(l, refL);
    ASSERT_EQ(r, refR);
    expectSameTank(fast, slow, "single frames and a reset");
}

TEST(Reverb, LowRatesWithCombsShorterThanAChunkMatchTheChain)
{
    // Every comb's line and damping state, and the output, which stays finite because the wet
    // filters' corners are kept below Nyquist at these rates.
    // Short blocks there are longer than the all-pass lines (5 samples at 1000 Hz) and run
    // past the comb lines' ends most of the time.
    for (float rate : {2000.0f, 1000.0f}) // shortest comb line 51 and 25 samples
        for (int block : {100, 8, 13}) {  // 13 frames: never a whole number of vectors
            Reverb fast, slow;
            for (Reverb* r : {&fast, &slow}) {
                r->setSampleRate(rate);
                r->setRoomSize(0.9f);
            }
            auto l = noise(1024, 51), r = noise(1024, 52);
            auto refL = l, refR = r;
            run(fast, l, r, block);
            for (size_t i = 0; i < refL.size(); ++i)
                slow.processFrame(refL[i], refR[i]);
            const std::string where = std::to_string(rate) + " Hz, block " + std::to_string(block);
            ASSERT_TRUE(std::all_of(l.begin(), l.end(), [](float v) { return std::isfinite(v); })) << where;
            ASSERT_EQ(l, refL) << where;
            ASSERT_EQ(r, refR) << where;
            expectSameTank(fast, slow, where);
        }
}

TEST(Reverb, MixZeroPassesInputWhileTheTankRuns)
{
    const auto inL = noise(2048, 11), inR = noise(2048, 12);
    Reverb zero;
    setUp(zero, 0.0f);
    auto l = inL, r = inR;
    run(zero, l, r);
    EXPECT_EQ(l, inL); // mix 0: exactly the input, while the tank keeps running
    EXPECT_EQ(r, inR);
    EXPECT_NE(zero.combL[0].store, 0.0f);
}

TEST(Reverb, TailDecaysToExactSilenceWithoutDenormals)
{
    for (int block : {512, 8}) {
        Reverb r;
        setUp(r, 0.5f);
        auto l = noise(4800, 31), rr = noise(4800, 32);
        run(r, l, rr, block);
        // 20 s of silence: lines whose current sample turns denormal are cleared at block ends,
        // and in the end nothing but exact zeros is left in the tank or the output.
        std::vector<float> zl(block), zr(block);
        for (int n = 0; n < 20 * 48000 / block; ++n) {
            std::fill(zl.begin(), zl.end(), 0.0f);
            std::fill(zr.begin(), zr.end(), 0.0f);
            r.process(zl.data(), zr.data(), block);
        }
        EXPECT_EQ(zl, std::vector<float>(block, 0.0f)) << block;
        EXPECT_EQ(zr, std::vector<float>(block, 0.0f)) << block;
        for (auto side : {&Reverb::combL, &Reverb::combR})
            for (const CombFilter& c : r.*side) {
                EXPECT_EQ(c.store, 0.0f) << block;
                for (int i = 0; i < c.size; ++i)
                    ASSERT_NE(std::fpclassify(c.line[i]), FP_SUBNORMAL) << block;
            }
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
