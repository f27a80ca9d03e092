#include "FilterTestSupport.h"

#include "filters/FilterTypeInfo.h"
#include "filters/MultimodeFilter.h"

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

// A block through the unit without envelope: type, cutoff, resonance, mix.
void run(MultimodeFilter& u, int type, float cutoff, float res, float mix, std::vector<float>& l,
         std::vector<float>& r)
{
    u.process(type, cutoff, res, 0.f, mix, 0.f, 0.f, l.data(), r.data(), static_cast<int>(l.size()));
}
} // namespace

TEST(FilterTypes, TypeMap)
{
    // Stored type values map to rows; values beyond the list and below it are limited.
    const struct {
        float value;
        const char* name;
    } cases[] = {{0, "LP2 BQ"}, {11, "RingMod"}, {33, "Formant"}, {100, "Formant"}, {-5, "LP2 BQ"}};
    for (const auto& c : cases)
        EXPECT_STREQ(filterTypes[filterRowForTypeValue(c.value)].name, c.name) << c.value;
    // The menu writes the number that maps back to each row.
    for (int row = 0; row < filterMenuCount; ++row)
        EXPECT_EQ(typeIndexMap[typeNumberForRow(row)], row) << row;
    EXPECT_EQ(typeNumberForRow(33), -1);
}

TEST(MultimodeFilter, TypeSetUpRatesAndNyquistLimit)
{
    auto u = makeUnit();
    const struct {
        const char* name;
        float filterRate;
    } cases[] = {{"RingMod", 2 * rate}, {"LP2 MG HQ", 2 * rate}, {"LP2 MG", rate}};
    for (const auto& c : cases) {
        std::vector<float> l(64), r(64);
        run(*u, rowNamed(c.name), 0.5f, 0.f, 1.f, l, r);
        EXPECT_EQ(u->left->sampleRate, c.filterRate) << c.name;
        EXPECT_EQ(u->right->sampleRate, c.filterRate) << c.name;
    }
    // At 22.05 kHz the note handed over at a type change, with which the first chunk is
    // designed, stays below Nyquist.
    auto low = makeUnit(22050.f);
    std::vector<float> l(16), r(16);
    run(*low, rowNamed("HP2 BQ"), 1.f, 0.f, 1.f, l, r);
    run(*low, rowNamed("LP2 BQ"), 1.f, 0.f, 1.f, l, r);
    EXPECT_LT(low->biquadL.designedCutoff, 11025.f);
    EXPECT_GT(low->biquadL.designedCutoff, 10900.f);
}

TEST(MultimodeFilter, MixZeroPassesTheInputExactly)
{
    auto u = makeUnit();
    for (int type = 0; type < filterTypeCount; ++type)
        for (int block = 0; block < 3; ++block) {
            auto l = noise(64, 0.9f, 10 * type + block), r = noise(64, 0.9f, 10 * type + block + 5000);
            const auto dl = l, dr = r;
            u->process(type, 0.3f * block, 1.f, 0.f, 0.f, 0.f, 0.f, l.data(), r.data(), 64);
            EXPECT_EQ(l, dl) << filterTypes[type].name;
            EXPECT_EQ(r, dr) << filterTypes[type].name;
        }
}

TEST(MultimodeFilter, LimiterHalvesAtOnceAndRecoversLinearly)
{
    auto u = makeUnit();
    std::vector<float> l(4000, 2.f), r(4000, -2.f);
    u->limit(l.data(), r.data(), 4000);
    EXPECT_NEAR(u->limiterGain, 0.5f, 0.01f);
    EXPECT_NEAR(l.back(), 1.f, 0.02f);
    EXPECT_NEAR(r.back(), -1.f, 0.02f);
    const float gain = u->limiterGain, slope = (1.f - 0.5f) / (7.5f * rate);
    EXPECT_NEAR(u->limiterStep, slope, slope * 0.05f);
    std::vector<float> z(4800, 0.f), z2(4800, 0.f);
    u->limit(z.data(), z2.data(), 4800);
    EXPECT_NEAR(u->limiterGain, gain + 4800 * u->limiterStep, 1e-4f);

    // A sample that is not a number does not disable the limiter: loud audio after it is still
    // halved.
    auto afterNan = makeUnit();
    std::vector<float> n(4000, 2.f), n2(4000, 2.f);
    n[0] = NAN;
    afterNan->limit(n.data(), n2.data(), 4000);
    EXPECT_TRUE(std::isfinite(afterNan->limiterFollower.value));
    EXPECT_NEAR(afterNan->limiterGain, 0.5f, 0.01f);
    EXPECT_NEAR(n2.back(), 1.f, 0.02f);
}

TEST(MultimodeFilter, HostileArgumentsStayFinite)
{
    auto u = makeUnit();
    for (int type : {-1, 9, 51, 1000})
        for (float v : {NAN, -1.f, 2.f, INFINITY}) {
            std::vector<float> l = sine(64, 0.1, 2 * std::numbers::pi, 0.5f), r = l;
            u->process(type, v, v, v, v, v, v, l.data(), r.data(), 64);
            u->process(type, 0.5f, 0.5f, 0.f, 1.f, 0.f, 0.f, l.data(), r.data(), 0);
            EXPECT_TRUE(std::all_of(l.begin(), l.end(), [](float x) { return std::isfinite(x); }) &&
                        std::all_of(r.begin(), r.end(), [](float x) { return std::isfinite(x); }))
                << type << " " << v;
        }
}

TEST(MultimodeFilter, EveryTypeStaysFiniteAndBoundedAtEveryRate)
{
    // Half-scale noise, fully wet, through every type at host rates of 8 to 384 kHz, cutoff and
    // resonance at both ends and in the middle, each case starting after a rate change (so the
    // cutoff also glides up). At 32 kHz and below the 16 kHz top lies at or beyond Nyquist.
    const float rates[] = {8000.f, 32000.f, 44100.f, 384000.f};
    constexpr int frames = 1024;
    constexpr float bound = 20.f; // the loudest case (a resonant "HP2 XP HQ") peaks near 10
    const std::vector<float> inL = noise(frames, 0.5f, 11), inR = noise(frames, 0.5f, 12);
    for (float sr : rates) {
        auto u = makeUnit(sr);
        for (int row = 0; row < filterMenuCount; ++row)
            for (float cutoff : {0.f, 0.5f, 1.f})
                for (float resonance : {0.f, 0.5f, 1.f}) {
                    u->setSampleRate(sr);
                    std::vector<float> l = inL, r = inR;
                    for (int start = 0; start < frames; start += MultimodeFilter::maxFrames)
                        u->process(row, cutoff, resonance, 0.f, 1.f, 0.f, 0.f, l.data() + start,
                                   r.data() + start, MultimodeFilter::maxFrames);
                    float peak = 0.f;
                    bool finite = true;
                    for (int i = 0; i < frames; ++i) {
                        finite = finite && std::isfinite(l[i]) && std::isfinite(r[i]);
                        peak = std::max({peak, std::fabs(l[i]), std::fabs(r[i])}); // NaN never wins
                    }
                    EXPECT_TRUE(finite && peak < bound)
                        << filterTypes[row].name << " at " << sr << " Hz, cutoff " << cutoff << ", resonance "
                        << resonance << ": " << (finite ? "" : "not finite, ") << "peak " << peak;
                }
    }
}
