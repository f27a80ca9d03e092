// Settings of the individual analog models: gains at the unit's drive of 1, damping and
// feedback at full resonance, the K20 diode curve, and the mode rules of each model.

#include "AnalogFilterTestSupport.h"

#include <gtest/gtest.h>

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
        int mode, gainInSlot, gainOutSlot;
        float gainIn, gainOut;
    } cases[] = {
        {Model::svf, 0, SVFAFilter::coefGainIn, SVFAFilter::coefGainOut, 0.25f, 4.f},
        {Model::ms20, 0, MS20AFilter::coefGainIn, MS20AFilter::coefGainOut, 0.1f, 10.f},
        {Model::ota, 0, OTAAFilter::coefGainIn, OTAAFilter::coefGainOut, 0.25f, 4.f},
        {Model::ota, 2, OTAAFilter::coefGainIn, OTAAFilter::coefGainOut, 0.25f, 4.f},
        {Model::moog, 0, MoogAFilter::coefGainIn, MoogAFilter::coefGainOut, 1.f, 1.f},
        {Model::moog, 3, MoogAFilter::coefGainIn, MoogAFilter::coefGainOut, 1.f, 1.f},
        {Model::moog, 1, MoogAFilter::coefGainIn, MoogAFilter::coefGainOut, 0.125f, 8.f},
        {Model::moog, 2, MoogAFilter::coefGainIn, MoogAFilter::coefGainOut, 0.125f, 8.f},
        {Model::moog, 4, MoogAFilter::coefGainIn, MoogAFilter::coefGainOut, 0.125f, 8.f},
        {Model::moog, 5, MoogAFilter::coefGainIn, MoogAFilter::coefGainOut, 0.125f, 8.f},
    };
    for (const Case& c : cases) {
        auto f = designed(c.model, c.mode, 69.f, 0.3f);
        EXPECT_FLOAT_EQ(f->getCoefficient(c.gainInSlot), c.gainIn)
            << modelName(c.model) << " mode " << c.mode;
        EXPECT_FLOAT_EQ(f->getCoefficient(c.gainOutSlot), c.gainOut)
            << modelName(c.model) << " mode " << c.mode;
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

TEST(AnalogModel, ModeRules)
{
    // SVF keeps the mode modulo 3 with the sign of the argument.
    SVFAFilter svf;
    for (auto [in, kept] : {std::pair{4, 1}, {5, 2}, {3, 0}, {-1, -1}, {-4, -1}}) {
        svf.setMode(in);
        EXPECT_EQ(svf.mode, kept) << in;
    }
    // A mode change is heard from the next sample; on the MG it also redesigns the gains.
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
        // Both ran the same ladder (gains aside), so the high-pass outputs agree after the
        // switch once the MG's new input gain has been taken into account.
        if (m == Model::ota) {
            for (int i = 32; i < 64; ++i)
                EXPECT_EQ(a[i], b[i]) << i;
        } else {
            EXPECT_FLOAT_EQ(switched->getCoefficient(MoogAFilter::coefGainOut), 8.f);
            EXPECT_NE(a[40], b[40]);
        }
    }
}
