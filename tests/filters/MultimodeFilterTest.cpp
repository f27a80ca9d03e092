#include "FilterTestSupport.h"

#include "filters/FilterTypeInfo.h"
#include "filters/MultimodeFilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

using namespace filtertest;

namespace
{
std::unique_ptr<MultimodeFilter> makeUnit(float sr = rate)
{
    auto u = std::make_unique<MultimodeFilter>();
    u->setSampleRate(sr);
    return u;
}

int rowNamed(const char* name)
{
    for (int r = 0; r < filterTypeCount; ++r)
        if (std::strcmp(filterTypes[r].name, name) == 0) return r;
    return -1;
}
} // namespace

TEST(FilterTypes, TableAndTypeMap)
{
    EXPECT_STREQ(filterTypes[5].name, "HP2 Fat ");
    EXPECT_STREQ(filterTypes[32].name, "HP4 MG HQ");
    EXPECT_STREQ(filterTypes[50].name, "HP4 MG");
    struct Case {
        float value;
        const char* name;
    };
    const Case cases[] = {{0, "LP2 BQ"},   {1, "BP2 BQ"},   {3, "LP2 Fat"},   {9, "RingMod"},
                          {10, "CombM"},   {11, "RingMod"}, {14, "Bit Red"},  {32, "HP4 MG HQ"},
                          {33, "Formant"}, {34, "Formant"}, {100, "Formant"}, {-5, "LP2 BQ"}};
    for (const Case& c : cases)
        EXPECT_STREQ(filterTypes[filterRowForTypeValue(c.value)].name, c.name) << c.value;
    // The menu writes the number that maps back to each row.
    for (int row = 0; row < filterMenuCount; ++row)
        EXPECT_EQ(typeIndexMap[typeNumberForRow(row)], row) << row;
    EXPECT_EQ(typeNumberForRow(6), 33);
    EXPECT_EQ(typeNumberForRow(11), 9);
    EXPECT_EQ(typeNumberForRow(33), -1);
}

TEST(MultimodeFilter, CutoffMapping)
{
    auto u = makeUnit();
    float l[16] = {}, r[16] = {};
    u->process(0, 0.5f, 0.f, 0.f, 1.f, 0.f, 0.f, l, r, 16); // envelope amount now 0
    EXPECT_FLOAT_EQ(u->cutoffToHz(0.f), 80.f);
    EXPECT_NEAR(u->cutoffToHz(0.5f), 1278.5f, 0.5f);
    EXPECT_FLOAT_EQ(u->cutoffToHz(1.f), 16000.f);
    EXPECT_NEAR(u->cutoffToHz(0.9999f), 16000.f, 1.f);
    EXPECT_NEAR(MultimodeFilter::hzToNote(440.f), 69.f, 1e-4f);
    EXPECT_EQ(MultimodeFilter::hzToNote(1.f), 0.f);
    EXPECT_NEAR(MultimodeFilter::maxNoteFor(44100.f), 69.f + 12.f * std::log2(22050.f / 440.f) - 0.01f,
                1e-3f);
}

TEST(MultimodeFilter, CutoffRampsInSixteenFrameChunks)
{
    // "Bit Red" is memoryless, so each chunk's bit depth shows in the output directly.
    auto u = makeUnit();
    const int bitRed = rowNamed("Bit Red");
    std::vector<float> l(64, 0.3f), r(64, 0.3f);
    u->process(bitRed, 0.f, 0.f, 0.f, 1.f, 0.f, 0.f, l.data(), r.data(), 64);
    std::fill(l.begin(), l.end(), 0.3f);
    std::fill(r.begin(), r.end(), 0.3f);
    u->process(bitRed, 1.f, 0.f, 0.f, 1.f, 0.f, 0.f, l.data(), r.data(), 64);
    // The first chunk still runs at the old cutoff; the new one is reached at frame 64.
    const int bitsPerChunk[] = {16, 10, 8, 6};
    for (int chunk = 0; chunk < 4; ++chunk) {
        const float levels = std::ldexp(1.f, bitsPerChunk[chunk]);
        const float expected = std::floor(0.3f * levels + 0.5f) / levels * 1.5f;
        for (int i = chunk * 16; i < chunk * 16 + 16; ++i)
            EXPECT_FLOAT_EQ(l[i], expected) << i;
    }
    EXPECT_EQ(u->bitRedL.bits, 1);
    EXPECT_EQ(u->lastCutoff, 1.f);
}

TEST(MultimodeFilter, TypeSetUpRatesAndNyquistLimit)
{
    struct Case {
        const char* name;
        float filterRate;
    };
    auto u = makeUnit();
    const Case cases[] = {{"RingMod", 2 * rate}, {"LP2 K20 HQ", rate}, {"LP2 MG HQ", 2 * rate},
                          {"LP2 MG", rate},      {"LP2 BQ", rate},     {"CombP", rate}};
    for (const Case& c : cases) {
        float l[64] = {}, r[64] = {};
        u->process(rowNamed(c.name), 0.5f, 0.f, 0.f, 1.f, 0.f, 0.f, l, r, 64);
        EXPECT_EQ(u->left->sampleRate, c.filterRate) << c.name;
        EXPECT_EQ(u->right->sampleRate, c.filterRate) << c.name;
    }

    // At 22.05 kHz the note handed over at a type change stays below Nyquist: the first
    // chunk is designed with it (the ramp updates after the chunk are not limited here; the
    // designs hold them below Nyquist, see EveryTypeStaysFiniteAndBoundedAtEveryRate).
    auto low = makeUnit(22050.f);
    float l[16] = {}, r[16] = {};
    low->process(rowNamed("HP2 BQ"), 1.f, 0.f, 0.f, 1.f, 0.f, 0.f, l, r, 16);
    low->process(rowNamed("LP2 BQ"), 1.f, 0.f, 0.f, 1.f, 0.f, 0.f, l, r, 16);
    EXPECT_LT(low->biquadL.designedCutoff, 11025.f);
    EXPECT_GT(low->biquadL.designedCutoff, 10900.f);
}

TEST(MultimodeFilter, MixZeroPassesTheInputExactlyForEveryType)
{
    auto u = makeUnit();
    for (int type = 0; type < filterTypeCount; ++type) {
        for (int block = 0; block < 3; ++block) {
            auto l = noise(64, 0.9f, 10 * type + block), r = noise(64, 0.9f, 10 * type + block + 5000);
            const auto dl = l, dr = r;
            u->process(type, 0.3f * block, 1.f, 0.f, 0.f, 0.f, 0.f, l.data(), r.data(), 64);
            EXPECT_EQ(l, dl) << filterTypes[type].name;
            EXPECT_EQ(r, dr) << filterTypes[type].name;
        }
    }
}

TEST(MultimodeFilter, FormantSilentAtZeroResonanceAndMixRamps)
{
    // "Formant" at resonance 0 has no wet signal, so the output shows the dry share alone.
    auto u = makeUnit();
    const int formant = rowNamed("Formant");
    auto l = noise(64, 0.9f, 1), r = noise(64, 0.9f, 2);
    auto dl = l;
    // First block after a rate change: the mix starts at its own value.
    u->process(formant, 0.5f, 0.f, 0.f, 0.5f, 0.f, 0.f, l.data(), r.data(), 64);
    for (int i = 0; i < 64; ++i)
        EXPECT_FLOAT_EQ(l[i], 0.5f * dl[i]) << i;

    l = noise(64, 0.9f, 3), r = noise(64, 0.9f, 4), dl = l;
    u->process(formant, 0.5f, 0.f, 0.f, 1.f, 0.f, 0.f, l.data(), r.data(), 64);
    // Linear from the previous mix (0.5) towards 1 over the block.
    for (int i = 0; i < 64; ++i)
        EXPECT_NEAR(l[i], (0.5f - 0.5f * i / 64.f) * dl[i], 1e-6f) << i;

    l = noise(64, 0.9f, 5), r = noise(64, 0.9f, 6);
    u->process(formant, 0.5f, 0.f, 0.f, 1.f, 0.f, 0.f, l.data(), r.data(), 64);
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(l[i], 0.f) << i;
}

TEST(MultimodeFilter, LimiterHalvesAtOnceAndRecoversLinearly)
{
    auto u = makeUnit();
    std::vector<float> l(4000, 2.f), r(4000, -2.f);
    u->limit(l.data(), r.data(), 4000);
    EXPECT_NEAR(u->limiterGain, 0.5f, 0.01f);
    EXPECT_NEAR(l.back(), 1.f, 0.02f);
    EXPECT_NEAR(r.back(), -1.f, 0.02f);
    const float gain = u->limiterGain;
    const float slope = (1.f - 0.5f) / (7.5f * rate);
    EXPECT_NEAR(u->limiterStep, slope, slope * 0.05f);
    std::vector<float> z(4800, 0.f), z2(4800, 0.f);
    u->limit(z.data(), z2.data(), 4800);
    EXPECT_NEAR(u->limiterGain, gain + 4800 * u->limiterStep, 1e-4f);

    // Below an envelope of 1 the limiter leaves the signal alone.
    auto quiet = makeUnit();
    std::vector<float> q(2000, 0.9f), q2(2000, 0.5f);
    quiet->limit(q.data(), q2.data(), 2000);
    EXPECT_EQ(quiet->limiterGain, 1.f);
    EXPECT_EQ(q.back(), 0.9f);

    // A sample that is not a number does not disable the limiter: loud audio after it is
    // still halved.
    auto afterNan = makeUnit();
    std::vector<float> n(4000, 2.f), n2(4000, 2.f);
    n[0] = std::numeric_limits<float>::quiet_NaN();
    afterNan->limit(n.data(), n2.data(), 4000);
    EXPECT_TRUE(std::isfinite(afterNan->limiterFollower.value));
    EXPECT_NEAR(afterNan->limiterGain, 0.5f, 0.01f);
    EXPECT_NEAR(n2.back(), 1.f, 0.02f);
}

TEST(MultimodeFilter, SoftClipperKnee)
{
    struct Case {
        float x, ceiling, y;
    };
    const Case cases[] = {{0.5f, 1.f, 0.5f}, {0.7f, 1.f, 0.7f}, {-0.69f, 1.f, -0.69f},
                          {1.f, 1.f, 1.f},   {-1.f, 1.f, -1.f}, {7.f, 7.f, 1.f},
                          {0.7f, 7.f, 0.7f}, {-7.f, 7.f, -1.f}, {0.85f, 1.f, 0.925f}};
    for (const Case& c : cases)
        EXPECT_NEAR(MultimodeFilter::softClip(c.x, 0.7f, c.ceiling), c.y, 1e-5f) << c.x << " " << c.ceiling;
}

TEST(MultimodeFilter, HostileArgumentsStayFinite)
{
    auto u = makeUnit();
    const float bad[] = {NAN, -1.f, 2.f, INFINITY};
    for (int type : {-1, 0, 9, 11, 21, 50, 51, 1000}) {
        for (float v : bad) {
            float l[64], r[64];
            for (int i = 0; i < 64; ++i)
                l[i] = r[i] = 0.5f * std::sin(0.1f * i);
            u->process(type, v, v, v, v, v, v, l, r, 64);
            u->process(type, 0.5f, 0.5f, 0.f, 1.f, 0.f, 0.f, l, r, 0);
            for (int i = 0; i < 64; ++i)
                ASSERT_TRUE(std::isfinite(l[i]) && std::isfinite(r[i])) << type << " " << v;
        }
    }
}

TEST(MultimodeFilter, EveryTypeStaysFiniteAndBoundedAtEveryRate)
{
    // White noise at half scale, fully wet, through every type the parameter selects, at host
    // rates from 8 to 384 kHz, with cutoff and resonance at both ends and in the middle. Each
    // case starts as after a rate change, so its first block also glides the cutoff up from
    // the bottom through the ramp path. At 32 kHz and below the 16 kHz top of the cutoff lies
    // at or beyond Nyquist, where unlimited designs put out NaN or grow without bound.
    const float rates[] = {8000.f, 11025.f, 22050.f, 32000.f, 44100.f, 48000.f, 96000.f, 192000.f, 384000.f};
    const float settings[] = {0.f, 0.5f, 1.f};
    constexpr int frames = 1024;
    constexpr float bound = 20.f; // the loudest case (a resonant "HP2 XP HQ") peaks near 10
    const std::vector<float> inL = noise(frames, 0.5f, 11), inR = noise(frames, 0.5f, 12);
    for (float sr : rates) {
        auto u = makeUnit(sr);
        for (int row = 0; row < filterMenuCount; ++row)
            for (float cutoff : settings)
                for (float resonance : settings) {
                    u->setSampleRate(sr);
                    std::vector<float> l = inL, r = inR;
                    for (int start = 0; start < frames; start += MultimodeFilter::maxFrames)
                        u->process(row, cutoff, resonance, 0.f, 1.f, 0.f, 0.f, l.data() + start,
                                   r.data() + start, MultimodeFilter::maxFrames);
                    float peak = 0.f;
                    for (int i = 0; i < frames; ++i)
                        peak = std::max({peak, std::fabs(l[i]), std::fabs(r[i])}); // NaN never wins
                    const bool finite =
                        std::all_of(l.begin(), l.end(), [](float x) { return std::isfinite(x); }) &&
                        std::all_of(r.begin(), r.end(), [](float x) { return std::isfinite(x); });
                    EXPECT_TRUE(finite && peak < bound)
                        << filterTypes[row].name << " at " << sr << " Hz, cutoff " << cutoff << ", resonance "
                        << resonance << ": " << (finite ? "" : "not finite, ") << "peak " << peak;
                }
    }
}
