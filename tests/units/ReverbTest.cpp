#include "units/Reverb.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{

std::vector<float> noise(int n, unsigned seed, float level = 1.0f)
{
    std::vector<float> v(n);
    for (float& x : v) {
        seed = seed * 1664525u + 1013904223u;
        x = level * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f);
    }
    return v;
}

void run(Reverb& r, std::vector<float>& l, std::vector<float>& rr, int block)
{
    const int n = static_cast<int>(l.size());
    for (int i = 0; i < n; i += block)
        r.process(l.data() + i, rr.data() + i, std::min(block, n - i));
}

// The chain sample by sample, straight from the unit's own building blocks.
void referenceFrame(Reverb& r, float& left, float& right)
{
    const float xL = left, xR = right;
    const float u = (xL + xR) * r.gain;
    float L = 0.0f, R = 0.0f;
    for (int k = 0; k < Reverb::numCombs; ++k) {
        L += r.combL[k].process(u);
        R += r.combR[k].process(u);
    }
    for (int k = 0; k < Reverb::numAllpasses; ++k) {
        L = r.allpassL[k].process(L);
        R = r.allpassR[k].process(R);
    }
    L = r.lowPassL.processSample(r.highPassL.processSample(L));
    R = r.lowPassR.processSample(r.highPassR.processSample(R));
    left = L * r.wet1 + R * r.wet2 + xL * r.dry;
    right = (R * r.wet1 + L * r.wet2) * r.sizeTrim + xR * r.dry;
}

bool anyDenormal(const Reverb& r)
{
    auto bad = [](float x) { return std::fpclassify(x) == FP_SUBNORMAL; };
    for (int k = 0; k < Reverb::numCombs; ++k)
        for (const CombFilter* c : {&r.combL[k], &r.combR[k]}) {
            if (bad(c->store)) return true;
            for (int i = 0; i < c->size; ++i)
                if (bad(c->line[i])) return true;
        }
    for (int k = 0; k < Reverb::numAllpasses; ++k)
        for (const AllpassFilter* a : {&r.allpassL[k], &r.allpassR[k]})
            for (int i = 0; i < a->size; ++i)
                if (bad(a->line[i])) return true;
    return false;
}

} // namespace

TEST(Reverb, LineSizesFollowTheSampleRate)
{
    Reverb r;
    r.setSampleRate(48000);
    EXPECT_EQ(r.combL[0].size, 1215);
    EXPECT_EQ(Reverb::lineSize(44100, 1116), 1116);
    for (int k = 0; k < Reverb::numCombs; ++k) {
        EXPECT_EQ(r.combL[k].size, Reverb::lineSize(48000, Reverb::tunings[2 * k]));
        EXPECT_EQ(r.combR[k].size, Reverb::lineSize(48000, Reverb::tunings[2 * k] + 23));
    }
    EXPECT_EQ(r.allpassL[0].size, Reverb::lineSize(48000, 556));
    EXPECT_EQ(r.allpassR[3].size, Reverb::lineSize(48000, 248));
}

TEST(Reverb, RoomSizeFeedbackAndTrim)
{
    struct Case {
        float size, roomSize, trim;
    };
    const Case cases[] = {{0.0f, 0.7f, 1.0f},   {0.5f, 0.84f, 1.0f},  {0.75f, 0.91f, 0.925f},
                          {1.0f, 0.98f, 0.85f}, {7.0f, 0.98f, 0.85f}, {-1.0f, 0.7f, 1.0f}};
    for (const Case& c : cases) {
        Reverb r;
        r.setRoomSize(c.size);
        EXPECT_FLOAT_EQ(r.sizeTrim, c.trim) << c.size;
        EXPECT_FLOAT_EQ(r.combL[0].feedback, c.roomSize) << c.size;
        EXPECT_FLOAT_EQ(r.combR[7].feedback, c.roomSize) << c.size;
    }
    Reverb r;
    r.setDamp(0.5f);
    EXPECT_FLOAT_EQ(r.combL[3].damp1, 0.2f);
    EXPECT_FLOAT_EQ(r.combL[3].damp2, 0.8f);
}

TEST(Reverb, ChunkedProcessingMatchesTheChainSampleBySample)
{
    Reverb fast, slow;
    for (Reverb* r : {&fast, &slow}) {
        r->setSampleRate(48000);
        r->setRoomSize(0.8f);
        r->setDamp(0.5f);
        r->setWet(0.25f);
        r->setDry(0.375f);
    }
    // Odd block sizes cross the internal chunks and the line wraps at awkward places.
    const int blocks[] = {64, 100, 1, 37, 512, 63};
    int seed = 1;
    for (int block : blocks) {
        auto l = noise(block * 8, seed++), r = noise(block * 8, seed++);
        auto refL = l, refR = r;
        run(fast, l, r, block);
        for (size_t i = 0; i < refL.size(); ++i)
            referenceFrame(slow, refL[i], refR[i]);
        for (size_t i = 0; i < l.size(); ++i) {
            ASSERT_EQ(l[i], refL[i]) << block << " " << i;
            ASSERT_EQ(r[i], refR[i]) << block << " " << i;
        }
    }
}

TEST(Reverb, MixLevels)
{
    // The engine hands wet = mix / 4 and dry = 1/2 - mix / 4.
    auto setMix = [](Reverb& r, float mix) {
        r.setWet(mix * 0.25f);
        r.setDry(0.5f - mix * 0.25f);
    };
    const auto inL = noise(2048, 11), inR = noise(2048, 12);

    // Mix 0: the input exactly, while the tank keeps running.
    Reverb zero;
    zero.setSampleRate(48000);
    setMix(zero, 0.0f);
    auto l = inL, r = inR;
    run(zero, l, r, 64);
    EXPECT_EQ(l, inL);
    EXPECT_EQ(r, inR);
    EXPECT_NE(zero.combL[0].store, 0.0f);

    // Mix 1: half the dry signal plus 0.75 times the reverb alone.
    Reverb full, wetOnly;
    for (Reverb* p : {&full, &wetOnly})
        p->setSampleRate(48000);
    setMix(full, 1.0f);
    wetOnly.setWet(1.0f / 3.0f); // wet 1
    wetOnly.setDry(0.0f);
    EXPECT_FLOAT_EQ(full.dry, 0.5f);
    EXPECT_FLOAT_EQ(full.wet1, 0.75f);
    EXPECT_EQ(full.wet2, 0.0f);
    auto fl = inL, fr = inR, wl = inL, wr = inR;
    run(full, fl, fr, 64);
    run(wetOnly, wl, wr, 64);
    for (size_t i = 0; i < fl.size(); ++i) {
        ASSERT_NEAR(fl[i], 0.5f * inL[i] + 0.75f * wl[i], 1e-5f) << i;
        ASSERT_NEAR(fr[i], 0.5f * inR[i] + 0.75f * wr[i], 1e-5f) << i;
    }
}

TEST(Reverb, SizeTrimScalesOnlyTheRightReverb)
{
    Reverb big, reference;
    for (Reverb* p : {&big, &reference}) {
        p->setSampleRate(48000);
        p->setRoomSize(1.0f);
        p->setWet(1.0f / 3.0f);
        p->setDry(0.0f);
    }
    reference.sizeTrim = 1.0f;
    auto bl = noise(1024, 21), br = noise(1024, 22);
    auto rl = bl, rr = br;
    run(big, bl, br, 64);
    run(reference, rl, rr, 64);
    EXPECT_EQ(bl, rl);
    for (size_t i = 0; i < br.size(); ++i)
        ASSERT_NEAR(br[i], 0.85f * rr[i], 1e-6f);
}

TEST(Reverb, TailDecaysToExactSilenceWithoutDenormals)
{
    Reverb r;
    r.setSampleRate(48000);
    r.setRoomSize(0.5f);
    r.setDamp(0.5f);
    r.setWet(0.25f);
    r.setDry(0.25f);
    auto l = noise(4800, 31), rr = noise(4800, 32);
    run(r, l, rr, 64);
    // 20 s of silence in blocks of 512: the tail fades, lines whose current sample turns
    // denormal are cleared, and no denormal is left anywhere in the tank.
    std::vector<float> zl(512), zr(512);
    float last = 1.0f;
    for (int block = 0; block < 20 * 48000 / 512; ++block) {
        std::fill(zl.begin(), zl.end(), 0.0f);
        std::fill(zr.begin(), zr.end(), 0.0f);
        r.process(zl.data(), zr.data(), 512);
        last = std::max(std::fabs(zl[511]), std::fabs(zr[511]));
    }
    EXPECT_EQ(last, 0.0f);
    EXPECT_FALSE(anyDenormal(r));
}

TEST(Reverb, UnsetRateOrResetKeepsAudioSafe)
{
    Reverb r;
    auto in = noise(128, 41);
    auto l = in, rr = in;
    r.process(l.data(), rr.data(), 128); // no sample rate yet
    EXPECT_EQ(l, in);
    EXPECT_EQ(rr, in);

    r.setSampleRate(48000);
    r.setWet(0.25f);
    run(r, l, rr, 64);
    r.reset();
    for (int k = 0; k < Reverb::numCombs; ++k) {
        EXPECT_EQ(r.combL[k].store, 0.0f);
        EXPECT_EQ(r.combR[k].index, 0);
        for (int i = 0; i < r.combL[k].size; ++i)
            ASSERT_EQ(r.combL[k].line[i], 0.0f);
    }
    // Very low rates that would round a line to nothing leave the unit passing audio.
    Reverb tiny;
    tiny.setSampleRate(10.0f);
    l = in;
    tiny.process(l.data(), rr.data(), 128);
    EXPECT_EQ(l, in);
}
