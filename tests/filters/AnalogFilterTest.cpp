// Behaviour shared by the four analog models: the stereo vector path against the scalar one,
// the injected noise, robustness against bad input and settings, and the coefficient ramps.

#include "AnalogFilterTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

using namespace analogtest;

namespace
{

struct ModelModes {
    Model model;
    std::vector<int> modes; // every response plus one the model does not know
};

const ModelModes allModels[] = {
    {Model::svf, {0, 1, 2, -1}},
    {Model::ms20, {0, 1, 2, 3}},
    {Model::ota, {0, 1, 2, 3, 4, 5, 6}},
    {Model::moog, {0, 1, 2, 3, 4, 5, 6}},
};

bool sameBits(const std::vector<float>& a, const std::vector<float>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

} // namespace

// Each channel of processStereo equals process of that channel alone, bit for bit, while
// the settings ramp and the signal drives the saturators hard; an unknown mode leaves the
// audio as it was; the partner object is left alone.
TEST(AnalogFilter, StereoVectorPathEqualsScalarPath)
{
    const std::vector<float> left = noise(1024, 2.5f, 1), right = noise(1024, 0.3f, 2);
    for (const ModelModes& mm : allModels) {
        for (int mode : mm.modes) {
            for (float rate : {48000.f, 96000.f}) {
                auto stereo = setUp(mm.model, mode, 60.f, 0.9f, rate);
                auto partner = setUp(mm.model, mode, 60.f, 0.9f, rate);
                auto monoL = setUp(mm.model, mode, 60.f, 0.9f, rate);
                auto monoR = setUp(mm.model, mode, 60.f, 0.9f, rate);
                std::vector<float> sl = left, sr = right, ml = left, mr = right;
                for (size_t i = 0, chunk = 0; i < left.size(); i += 16, ++chunk) {
                    // Sweep the cutoff and change resonance and drive between chunks.
                    const float note = 20.f + float(chunk % 23) * 5.f;
                    for (AnalogFilter* f : {stereo.get(), monoL.get(), monoR.get()}) {
                        f->setCutoff(note);
                        if (chunk % 7 == 3) f->setResonance(float(chunk % 5) * 0.25f);
                        if (chunk % 11 == 5) f->setDrive(0.5f + float(chunk % 3));
                    }
                    stereo->processStereo(&sl[i], &sr[i], 16, *partner);
                    monoL->process(&ml[i], 16);
                    monoR->process(&mr[i], 16);
                }
                SCOPED_TRACE(testing::Message()
                             << modelName(mm.model) << " mode " << mode << " rate " << rate);
                EXPECT_TRUE(sameBits(sl, ml));
                EXPECT_TRUE(sameBits(sr, mr));
                EXPECT_EQ(sameBits(sl, left), mode == mm.modes.back());

                // The partner never ran: it behaves like a freshly set-up object.
                auto fresh = setUp(mm.model, mode, 60.f, 0.9f, rate);
                std::vector<float> a = left, b = left;
                runMono(*partner, a);
                runMono(*fresh, b);
                EXPECT_TRUE(sameBits(a, b));
            }
        }
    }
}

// Silence in gives a tiny output from the injected noise (which keeps the states out of the
// denormal range), never exact silence and never NaN.
TEST(AnalogFilter, SilenceGivesTinyNoise)
{
    for (const ModelModes& mm : allModels) {
        for (int mode : mm.modes) {
            if (mode == mm.modes.back()) continue; // an unknown mode leaves the buffer as it is
            auto f = setUp(mm.model, mode, 69.f, 0.5f);
            std::vector<float> y(4096, 0.f);
            runMono(*f, y);
            int nonZero = 0;
            float peak = 0.f;
            for (float v : y) {
                ASSERT_TRUE(std::isfinite(v));
                nonZero += v != 0.f;
                peak = std::max(peak, std::fabs(v));
            }
            SCOPED_TRACE(testing::Message() << modelName(mm.model) << " mode " << mode);
            EXPECT_GT(nonZero, 4000);
            EXPECT_LT(peak, 1e-3f);
        }
    }
}

// Bad samples (NaN, infinity, huge values) and bad settings never leave the filter stuck on
// NaN: once the input is sane again, so is the output. Empty and negative blocks do nothing.
TEST(AnalogFilter, RecoversFromHostileInputAndSettings)
{
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    for (const ModelModes& mm : allModels) {
        for (int mode : mm.modes) {
            auto f = setUp(mm.model, mode, 69.f, 1.f);
            std::vector<float> bad = {nan, inf, -inf, 1e30f, -1e30f, nan, 0.f, 0.f};
            f->process(bad.data(), 0);
            f->process(bad.data(), -5);
            f->process(bad.data(), static_cast<int>(bad.size()));
            for (float v : {nan, inf, -inf, -1e9f, 1e9f}) {
                f->setCutoff(v);
                f->setResonance(v);
                f->setDrive(v);
                f->setSampleRate(v);
                float block[16] = {};
                f->processStereo(block, block, 0, *f);
                f->processStereo(block, block, 16, *f);
            }
            f->setSampleRate(48000.f);
            f->setCutoff(80.f);
            f->setResonance(1.f);
            f->setDrive(1.f);
            std::vector<float> y = noise(2048, 1.f, 4);
            runMono(*f, y);
            SCOPED_TRACE(testing::Message() << modelName(mm.model) << " mode " << mode);
            for (size_t i = 16; i < y.size(); ++i)
                ASSERT_TRUE(std::isfinite(y[i])) << i;
        }
    }
}

// Full resonance, loud input and cutoffs from the bottom to far above Nyquist stay bounded,
// at the host rate and oversampled.
TEST(AnalogFilter, StaysBoundedAcrossTheRange)
{
    for (const ModelModes& mm : allModels) {
        for (int mode : mm.modes) {
            for (float rate : {44100.f, 96000.f}) {
                for (float note : {0.f, 60.f, 120.f, 135.f, 200.f}) {
                    auto f = setUp(mm.model, mode, note, 1.f, rate);
                    std::vector<float> y = noise(4096, 4.f, 5);
                    runMono(*f, y);
                    float peak = 0.f;
                    for (float v : y)
                        peak = std::max(peak, std::fabs(v));
                    EXPECT_LT(peak, 100.f) << modelName(mm.model) << " mode " << mode << " note " << note;
                }
            }
        }
    }
}

// A cutoff change glides across the next block and ends on the coefficients that a filter
// set up at the new cutoff has; the ladders stay dirty for one more block and then land on
// them exactly.
TEST(AnalogFilter, CutoffRampLandsOnTarget)
{
    for (const ModelModes& mm : allModels) {
        const int frequencyCoef = mm.model == Model::ms20 ? int(MS20AFilter::coefF) : 0;
        const bool ladder = mm.model == Model::ota || mm.model == Model::moog;
        auto f = setUp(mm.model, 0, 40.f, 0.5f);
        auto reference = setUp(mm.model, 0, 100.f, 0.5f);
        float block[16] = {}, scratch[16] = {};
        f->process(block, 16);
        reference->process(scratch, 16);
        const float before = f->getCoefficient(frequencyCoef);
        const float target = reference->getCoefficient(frequencyCoef);
        SCOPED_TRACE(modelName(mm.model));
        ASSERT_NE(before, target);

        f->setCutoff(100.f);
        f->process(block, 8);
        EXPECT_NEAR(f->getCoefficient(frequencyCoef), target, 1e-5f * std::fabs(target));
        EXPECT_EQ(f->isDirty(), ladder);
        f->process(block, 8);
        EXPECT_FALSE(f->isDirty());
        if (ladder) {
            EXPECT_EQ(f->getCoefficient(frequencyCoef), target);
        }
    }
}
