// Settings of the individual analog models: gains at the unit's drive of 1, damping and
// feedback at full resonance, the K20 diode curve, and the mode rules of each model.

#include "AnalogFilterTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

using namespace analogtest;

namespace
{

// Coefficients after one block, so that the block-start design has run.
std::unique_ptr<AnalogFilter> designed(Model m, int mode, float note, float res)
{
    auto f = setUp(m, mode, note, res);
    float block[16] = {};
    f->process(block, 16);
    return f;
}

} // namespace

TEST(AnalogModel, GainsAtDriveOne)
{
    struct Case {
        Model model;
        std::vector<int> modes;
        float gainIn, gainOut;
    } cases[] = {
        {Model::svf, {0, 1, 2}, 0.25f, 4.f},          {Model::ms20, {0, 1, 2}, 0.1f, 10.f},
        {Model::ota, {0, 1, 2, 3, 4, 5}, 0.25f, 4.f}, {Model::moog, {0, 3}, 1.f, 1.f},
        {Model::moog, {1, 2, 4, 5}, 0.125f, 8.f},
    };
    for (const Case& c : cases) {
        const int inSlot =
            c.model == Model::ms20 ? int(MS20AFilter::coefGainIn) : int(SVFAFilter::coefGainIn);
        for (int mode : c.modes) {
            auto f = designed(c.model, mode, 69.f, 0.3f);
            SCOPED_TRACE(testing::Message() << modelName(c.model) << " mode " << mode);
            EXPECT_FLOAT_EQ(f->getCoefficient(inSlot), c.gainIn);
            EXPECT_FLOAT_EQ(f->getCoefficient(3), c.gainOut); // the output gain is slot 3 in every model
        }
    }
}

TEST(AnalogModel, FullResonance)
{
    // SVF damping 2 - 2.02 * 0.99; K20 feedback 2 * 0.99 unless pulled back near Nyquist.
    EXPECT_NEAR(designed(Model::svf, 0, 60.f, 1.f)->getCoefficient(SVFAFilter::coefD), 0.0002f, 1e-6f);
    EXPECT_FLOAT_EQ(designed(Model::ms20, 0, 60.f, 1.f)->getCoefficient(MS20AFilter::coefK), 1.98f);
    const float pulledBack = designed(Model::ms20, 0, 135.f, 1.f)->getCoefficient(MS20AFilter::coefK);
    EXPECT_LT(pulledBack, 1.9f);
    EXPECT_GT(pulledBack, 1.f);

    // Ladders: 3.96 (MG) and 2.475 (XP) times the compensation at fn = 2 Hz / rate.
    for (float note : {30.f, 69.f, 110.f}) {
        const double hz = std::min(440.0 * std::exp2((note - 69.0) / 12.0), 0.27 * 48000.0);
        const double c = analog::ladderCompensation(2.0 * hz / 48000.0);
        EXPECT_NEAR(designed(Model::moog, 0, note, 1.f)->getCoefficient(MoogAFilter::coefK), 3.96 * c, 1e-5);
        EXPECT_NEAR(designed(Model::ota, 0, note, 1.f)->getCoefficient(OTAAFilter::coefK), 2.475 * c, 1e-5);
    }
    // The tuning curve keeps g close to pi * fn at low frequencies.
    EXPECT_NEAR(analog::ladderTuning(0.001) / (std::numbers::pi * 0.001), 1.0, 0.01);
}

TEST(AnalogModel, DiodeCurve)
{
    const float* t = MS20AFilter::diodeTable();
    // Odd around entry 2048 (v = 0), rising, and scaled to slope 1 at 0. The negative half is
    // solved as fully as the positive one: it reaches the limit of 8 (scaled) no earlier.
    EXPECT_EQ(t[2048], 0.f);
    for (int i = 1; i < 2048; ++i)
        ASSERT_EQ(t[2048 - i], -t[2048 + i]) << i;
    EXPECT_LT(t[2048 + 6 * 128], t[4099]);
    for (int i = 1; i < MS20AFilter::diodeTableSize; ++i)
        ASSERT_GE(t[i], t[i - 1]) << i;
    EXPECT_FLOAT_EQ(t[2049] - t[2048], 1.f / 128.f);
    // It bends: large inputs come out well below themselves, and the lookup is bounded.
    EXPECT_LT(MS20AFilter::diode(8.f), 4.f);
    EXPECT_NEAR(MS20AFilter::diode(0.01f), 0.01f, 1e-4f);
    EXPECT_FLOAT_EQ(MS20AFilter::diode(1e9f), t[4098]);
    EXPECT_FLOAT_EQ(MS20AFilter::diode(-1e9f), t[0]);
    EXPECT_TRUE(std::isfinite(MS20AFilter::diode(std::numeric_limits<float>::quiet_NaN())));
}

// A mode change is heard from the next sample. The XP only picks another mix of the same
// ladder, so it matches a filter that ran the new mode all along; on the MG the change also
// redesigns the gains (the high-pass drives the ladder softly and makes up 8 times).
TEST(AnalogModel, ModeChange)
{
    const std::vector<float> x = noise(64, 0.5f, 7);
    for (Model m : {Model::moog, Model::ota}) {
        auto switched = setUp(m, 0, 69.f, 0.2f);
        auto reference = setUp(m, 2, 69.f, 0.2f);
        std::vector<float> a = x, b = x;
        switched->process(a.data(), 32);
        reference->process(b.data(), 32);
        switched->setMode(2);
        EXPECT_EQ(switched->isDirty(), m == Model::moog);
        switched->process(a.data() + 32, 32);
        reference->process(b.data() + 32, 32);
        if (m == Model::ota) {
            EXPECT_TRUE(std::equal(a.begin() + 32, a.end(), b.begin() + 32));
        } else {
            EXPECT_FLOAT_EQ(switched->getCoefficient(MoogAFilter::coefGainOut), 8.f);
            EXPECT_FALSE(std::equal(a.begin() + 32, a.end(), b.begin() + 32));
        }
    }
}
