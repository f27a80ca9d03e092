#include "units/StereoDelay.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace
{

struct Stereo {
    std::vector<float> l, r;
    explicit Stereo(int n) : l(n, 0.0f), r(n, 0.0f) {}
};

void run(StereoDelay& d, Stereo& s, float mix, float fb, float cutoff)
{
    const int n = static_cast<int>(s.l.size());
    for (int i = 0; i < n; i += 64)
        d.process(s.l.data() + i, s.r.data() + i, std::min(64, n - i), mix, fb, cutoff);
}

std::vector<float> noise(int n, unsigned seed)
{
    std::vector<float> v(n);
    for (float& x : v) {
        seed = seed * 1664525u + 1013904223u;
        x = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
    }
    return v;
}

// One block of the delay straight from its formula, sample by sample, on the unit's fields.
void referenceBlock(StereoDelay& d, float* left, float* right, int frames, float mix, float fb, float cutoff)
{
    d.process(left, right, 0, mix, fb, cutoff); // stores the settings only
    for (BiquadFilter* f : {&d.highPassL, &d.highPassR, &d.lowPassL, &d.lowPassR})
        f->guardOutput();
    auto line = [&](float* io, float* buffer, int& index, int length, BiquadFilter& hp, BiquadFilter& lp) {
        for (int n = 0; n < frames; ++n) {
            const float y = buffer[index];
            const float x = io[n];
            io[n] = x + y * d.mix;
            float r = y * d.feedback;
            if (r > -1e-15f && r < 1e-15f) r = 0.0f;
            buffer[index] = lp.processSample(hp.processSample(r + x));
            if (++index >= length) index = 0;
        }
    };
    line(left, d.leftBuffer.get(), d.leftIndex, d.lineLength(d.leftRate), d.highPassL, d.lowPassL);
    line(right, d.rightBuffer.get(), d.rightIndex, d.lineLength(d.rightRate), d.highPassR, d.lowPassR);
}

} // namespace

TEST(StereoDelay, BlockProcessingMatchesTheFormulaSampleBySample)
{
    StereoDelay fast, slow;
    // Rates change between rounds: lines shorter than a block, and lengths that shrink below
    // the current index.
    const float rates[][2] = {{100.0f, 75.0f}, {2000.0f, 9600.0f}, {30.0f, 1000.0f}, {12000.0f, 48000.0f}};
    for (StereoDelay* d : {&fast, &slow})
        d->setSampleRate(48000);
    int seed = 50;
    for (const auto& rate : rates) {
        for (StereoDelay* d : {&fast, &slow}) {
            d->setLeftRate(rate[0]);
            d->setRightRate(rate[1]);
        }
        for (int block : {64, 100, 7}) {
            auto l = noise(block, seed++), r = noise(block, seed++);
            auto refL = l, refR = r;
            fast.process(l.data(), r.data(), block, 0.7f, 0.9f, 0.6f);
            referenceBlock(slow, refL.data(), refR.data(), block, 0.7f, 0.9f, 0.6f);
            ASSERT_EQ(l, refL) << rate[0] << " " << block;
            ASSERT_EQ(r, refR) << rate[1] << " " << block;
        }
    }
    EXPECT_EQ(fast.leftIndex, slow.leftIndex);
    EXPECT_EQ(fast.rightIndex, slow.rightIndex);
}

TEST(StereoDelay, CutoffMapping)
{
    struct Case {
        float v;
        double hz, tolerance;
    };
    const Case cases[] = {{0.0f, 80, 0},         {-3.0f, 80, 0},  {1.0f, 16000, 0},
                          {0.9999f, 16000, 0.5}, {0.9f, 4060, 1}, {0.5f, 1278, 1}};
    for (const Case& c : cases)
        EXPECT_NEAR(StereoDelay::cutoffHz(c.v), c.hz, c.tolerance) << c.v;
}

TEST(StereoDelay, LineLengthsAreLimitedToTheLine)
{
    StereoDelay d;
    d.setSampleRate(48000);
    EXPECT_EQ(d.capacity, 24 * 48000);
    struct Case {
        float rate;
        int length;
    };
    const Case cases[] = {
        {2.0f, 24000},
        {1.0f / 24.0f, 24 * 48000}, // exactly the line
        {1.0f / 30.0f, 24 * 48000}, // a period longer than the line (a slow tempo)
        {0.0f, 24 * 48000},         // no rate yet
        {-5.0f, 24 * 48000},        //
        {std::numeric_limits<float>::quiet_NaN(), 24 * 48000},
        {1e9f, 1}, // never an empty line
    };
    for (const Case& c : cases) {
        d.setLeftRate(c.rate);
        EXPECT_EQ(d.lineLength(d.leftRate), c.length) << c.rate;
    }
}

TEST(StereoDelay, PassesAudioUnchangedBeforeASampleRate)
{
    StereoDelay d;
    auto in = noise(128, 1);
    Stereo s(128);
    s.l = s.r = in;
    run(d, s, 1.0f, 1.0f, 0.5f);
    EXPECT_EQ(s.l, in);
    EXPECT_EQ(s.r, in);
}

TEST(StereoDelay, MixZeroPassesInputWhileTheLinesFill)
{
    StereoDelay d;
    d.setSampleRate(48000);
    d.setLeftRate(100.0f); // 480 samples
    d.setRightRate(100.0f);
    auto in = noise(256, 2);
    Stereo s(256);
    s.l = s.r = in;
    run(d, s, 0.0f, 0.5f, 1.0f);
    EXPECT_EQ(s.l, in);
    EXPECT_EQ(s.r, in);
    Stereo later(512);
    run(d, later, 1.0f, 0.5f, 1.0f);
    EXPECT_NE(later.l[300], 0.0f); // the earlier input comes back as an echo
}

TEST(StereoDelay, IndependentPeriodsAndSingleFilteredRepeat)
{
    StereoDelay d;
    d.setSampleRate(48000);
    d.setLeftRate(100.0f); // 480 samples
    d.setRightRate(75.0f); // 640 samples
    const int n = 2048;
    Stereo s(n);
    s.l[0] = 1.0f; // impulse on the left only
    run(d, s, 1.0f, 0.0f, 0.8f);
    // Nothing of the left line reaches the right channel.
    EXPECT_EQ(s.r, std::vector<float>(n, 0.0f));
    // The one repeat is the impulse filtered once by the high-pass and low-pass.
    BiquadFilter hp = d.highPassL, lp = d.lowPassL;
    hp.clearState();
    lp.clearState();
    for (int j = 0; j < 480; ++j) {
        const float h = lp.processSample(hp.processSample(j == 0 ? 1.0f : 0.0f));
        ASSERT_FLOAT_EQ(s.l[480 + j], 0.5f * h) << j;
    }
    for (int j = 1; j < 480; ++j)
        ASSERT_EQ(s.l[j], 0.0f);

    // The right line's period is its own.
    StereoDelay e;
    e.setSampleRate(48000);
    e.setLeftRate(100.0f);
    e.setRightRate(75.0f);
    Stereo t(n);
    t.r[0] = 1.0f;
    run(e, t, 1.0f, 0.0f, 0.8f);
    EXPECT_EQ(t.l, std::vector<float>(n, 0.0f));
    for (int j = 1; j < 640; ++j)
        ASSERT_EQ(t.r[j], 0.0f);
    EXPECT_NE(t.r[640], 0.0f);
}

TEST(StereoDelay, FeedbackRepeatsDecay)
{
    StereoDelay d;
    d.setSampleRate(48000);
    d.setLeftRate(50.0f); // 960 samples
    d.setRightRate(50.0f);
    const int period = 960, repeats = 6;
    Stereo s(period * (repeats + 1));
    s.l[0] = s.r[0] = 1.0f;
    run(d, s, 1.0f, 1.0f, 1.0f);
    std::vector<float> peaks;
    for (int k = 1; k <= repeats; ++k) {
        float p = 0.0f;
        for (int j = 0; j < period; ++j)
            p = std::max(p, std::fabs(s.l[k * period + j]));
        peaks.push_back(p);
    }
    for (size_t k = 1; k < peaks.size(); ++k) {
        EXPECT_LT(peaks[k], peaks[k - 1] * 0.8f + 1e-6f) << k; // at most the 0.8 feedback
        EXPECT_GT(peaks[k], peaks[k - 1] * 0.3f) << k;         // but the repeats do come back
    }
    EXPECT_EQ(s.l, s.r);
}

TEST(StereoDelay, SampleRateChangeClearsLinesAndRedesignsAtOnce)
{
    StereoDelay d;
    d.setSampleRate(44100);
    d.setLeftRate(10.0f);
    d.setRightRate(10.0f);
    Stereo s(1024);
    s.l = noise(1024, 3);
    s.r = noise(1024, 4);
    run(d, s, 0.5f, 0.5f, 0.7f);
    const float lowPassAt44 = d.lowPassL.b0;

    d.setSampleRate(96000);
    StereoDelay fresh;
    fresh.setSampleRate(96000);
    fresh.setCutoff(0.7f);
    EXPECT_EQ(d.lowPassL.b0, fresh.lowPassL.b0);
    EXPECT_EQ(d.lowPassR.a1, fresh.lowPassR.a1);
    EXPECT_NE(d.lowPassL.b0, lowPassAt44);
    EXPECT_EQ(d.highPassL.b0, fresh.highPassL.b0);
    Stereo silent(4800);
    run(d, silent, 1.0f, 0.5f, 0.7f);
    EXPECT_EQ(silent.l, std::vector<float>(4800, 0.0f));
    EXPECT_EQ(silent.r, std::vector<float>(4800, 0.0f));
}

TEST(StereoDelay, ShrinkingPeriodWrapsSafely)
{
    StereoDelay d;
    d.setSampleRate(48000);
    d.setLeftRate(1.0f);
    d.setRightRate(1.0f);
    Stereo s(3000);
    s.l = noise(3000, 5);
    s.r = noise(3000, 6);
    run(d, s, 1.0f, 1.0f, 0.5f);
    d.setLeftRate(400.0f); // 120 samples, far below the current index
    d.setRightRate(std::numeric_limits<float>::infinity());
    run(d, s, 1.0f, 1.0f, 0.5f);
    EXPECT_LT(d.leftIndex, 120);
    for (float x : s.l)
        ASSERT_TRUE(std::isfinite(x));
}
