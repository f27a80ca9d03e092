#include "units/StereoDelay.h"
#include "UnitTestSignals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{

// One block straight from the delay's formula, sample by sample, on the unit's fields.
void referenceBlock(StereoDelay& d, float* left, float* right, int frames, float mix, float fb, float cutoff)
{
    d.process(left, right, 0, mix, fb, cutoff); // stores the settings only
    for (BiquadFilter* f : {&d.highPassL, &d.highPassR, &d.lowPassL, &d.lowPassR})
        f->guardOutput();
    auto line = [&](float* io, float* buffer, int& index, int length, BiquadFilter& hp, BiquadFilter& lp) {
        for (int n = 0; n < frames; ++n) {
            const float y = buffer[index], x = io[n];
            io[n] = x + y * d.mix;
            float r = y * d.feedback;
            r = (r > -1e-15f && r < 1e-15f) ? 0.0f : r;
            buffer[index] = lp.processSample(hp.processSample(r + x));
            if (++index >= length) index = 0;
        }
    };
    line(left, d.leftBuffer.get(), d.leftIndex, d.lineLength(d.leftRate), d.highPassL, d.lowPassL);
    line(right, d.rightBuffer.get(), d.rightIndex, d.lineLength(d.rightRate), d.highPassR, d.lowPassR);
}

StereoDelay& makeDelay(StereoDelay& d, float leftHz, float rightHz, float sampleRate = 48000)
{
    d.setSampleRate(sampleRate);
    d.setLeftRate(leftHz);
    d.setRightRate(rightHz);
    return d;
}

} // namespace

TEST(StereoDelay, BlockProcessingMatchesTheFormulaSampleBySample)
{
    StereoDelay fast, slow;
    // Lines shorter than a block, and lengths that shrink below the current index.
    const float rates[][2] = {{100.0f, 75.0f}, {2000.0f, 9600.0f}, {30.0f, 1000.0f}, {12000.0f, 48000.0f}};
    fast.setSampleRate(48000);
    slow.setSampleRate(48000);
    unsigned seed = 50;
    for (const auto& rate : rates)
        for (int block : {64, 100, 7}) {
            for (StereoDelay* d : {&fast, &slow}) {
                d->setLeftRate(rate[0]);
                d->setRightRate(rate[1]);
            }
            for (int round = 0; round < 3; ++round) {
                auto l = noise(block, seed++), r = noise(block, seed++);
                auto refL = l, refR = r;
                fast.process(l.data(), r.data(), block, 0.7f, 0.9f, 0.6f);
                referenceBlock(slow, refL.data(), refR.data(), block, 0.7f, 0.9f, 0.6f);
                ASSERT_EQ(l, refL) << rate[0] << " " << block;
                ASSERT_EQ(r, refR) << rate[1] << " " << block;
            }
        }
}

TEST(StereoDelay, CutoffMappingAndLineLengths)
{
    EXPECT_NEAR(StereoDelay::cutoffHz(-3.0f), 80, 1.0);
    StereoDelay d;
    d.setSampleRate(48000);
    const int line = 24 * 48000;
    EXPECT_EQ(d.capacity, line);
    // Periods beyond the 24 s line (tempos below 30 bpm) and missing rates take the whole line.
    const float rates[][2] = {{2.0f, 24000},
                              {1.0f / 30, line},
                              {-5.0f, line},
                              {std::numeric_limits<float>::quiet_NaN(), line},
                              {1e9f, 1}};
    for (const auto& c : rates) {
        d.setLeftRate(c[0]);
        EXPECT_EQ(d.lineLength(d.leftRate), static_cast<int>(c[1])) << c[0];
    }
}

TEST(StereoDelay, SampleRateChangeClearsLinesAndRedesignsAtOnce)
{
    StereoDelay d;
    makeDelay(d, 10.0f, 10.0f, 44100);
    auto l = noise(1024, 3), r = noise(1024, 4);
    d.process(l.data(), r.data(), 1024, 0.5f, 0.5f, 0.7f);
    const float lowPassAt44 = d.lowPassL.b0;
    d.setSampleRate(96000);
    EXPECT_NE(d.lowPassL.b0, lowPassAt44);
    std::vector<float> zl(9600, 0.0f), zr(9600, 0.0f);
    d.process(zl.data(), zr.data(), 9600, 1.0f, 0.5f, 0.7f);
    EXPECT_EQ(zl, std::vector<float>(9600, 0.0f));
    EXPECT_EQ(zr, std::vector<float>(9600, 0.0f));
}
