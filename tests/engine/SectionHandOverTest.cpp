// A parameter at a known normalised value reaches its unit as the physical value of the
// parameter table and the unit's mapping, converted exactly once.
#include "EngineRig.h"

#include "units/BiquadFilter.h"

namespace
{

// An engine with the settings after 1024 frames of audio (which apply them to the units).
std::unique_ptr<Orvane> settled(const Settings& settings)
{
    EngineRig rig(settings);
    rig.run(1024, 0.25f, -0.25f);
    return std::move(rig.o);
}

} // namespace

TEST(SectionHandOver, EachParameterReachesItsUnitAsItsPhysicalValue)
{
    // Multimode filter ("LP2 BQ"): the unit takes normalised values and converts the cutoff
    // itself (0.5 -> 1278.5 Hz); type 5 is row 5.
    auto o =
        settled({{"MmFilterOn", 1}, {"MmFilterCutoff", 0.5f}, {"MmFilterRes", 0.5f}, {"MmFilterMix", 0.25f}});
    EXPECT_NEAR(o->filter.biquadL.cutoffHz, 1278.5f, 0.5f);
    EXPECT_EQ(o->filter.biquadL.resonance, 0.5f);
    EXPECT_EQ(o->filter.lastMix, 0.25f);
    EXPECT_EQ(settled({{"MmFilterOn", 1}, {"MmFilterType", 0.05f}})->filter.currentType, 5);

    // Exciter and saturator: unscaled.
    o = settled({{"DistOn", 1}, {"DistXcita", 0.3f}, {"DistSoftSat", 0.4f}});
    EXPECT_EQ(o->exciter.amount, 0.3f);
    EXPECT_EQ(o->softSaturator.amount, 0.4f);

    // Flanger: feedback 0..0.95 unscaled, wet = mix / 2, rate 0.02..8 Hz, times in seconds.
    o = settled({{"FlangerOn", 1},
                 {"FlangerFeedback", 0.9f},
                 {"FlangerMix", 0.6f},
                 {"FlangerRate", 0.5f},
                 {"FlangerDelay", 0.5f},
                 {"FlangerDepth", 0.5f}});
    EXPECT_NEAR(o->flanger.feedback, 0.855f, 1e-6f);
    EXPECT_NEAR(o->flanger.wet, 0.3f, 1e-7f);
    EXPECT_NEAR(o->flanger.rate, 4.01f, 1e-5f);
    EXPECT_NEAR(o->flanger.baseDelay, 0.00505f, 1e-9f);
    EXPECT_NEAR(o->flanger.depth, 0.0005f, 1e-10f);
    EXPECT_EQ(settled({{"FlangerOn", 1}, {"FlangerFeedback", 1.0f}})->flanger.feedback, 0.95f);

    // Delay: echo level = mix / 2, feedback x 0.8, free rate from the sync table at 120 bpm
    // (0.5 -> 1.25 beats -> 1.6 Hz), cutoff through its curve: 0.9 gives t = -0.25 log10(0.1)
    // = 0.25, so 80 + 15920 x 0.25 = 4060 Hz, designed as the delay designs its low-pass.
    o = settled({{"DelayOn", 1},
                 {"DelayMix", 0.6f},
                 {"DelayFeedback", 0.5f},
                 {"DelayCutoff", 0.9f},
                 {"DelayRateSync", 0},
                 {"DelayLRate", 0.5f}});
    BiquadFilter lowPass;
    lowPass.setLowPass(48000.0, 4060.0, 1.5, false);
    EXPECT_NEAR(o->delay.mix, 0.3f, 1e-7f);
    EXPECT_NEAR(o->delay.feedback, 0.4f, 1e-7f);
    EXPECT_NEAR(o->delay.lowPassL.b0, lowPass.b0, 1e-5f * lowPass.b0);
    EXPECT_NEAR(o->delay.leftRate, 1.6f, 1e-5f);

    // Reverb: wet 0.75 x mix, dry 1 - 0.5 x mix, comb feedback 0.7 + 0.28 x size.
    o = settled({{"ReverbOn", 1}, {"ReverbMix", 0.4f}, {"ReverbSize", 1.0f}});
    EXPECT_NEAR(o->reverb.wet1, 0.3f, 1e-6f);
    EXPECT_NEAR(o->reverb.dry, 0.8f, 1e-6f);
    EXPECT_NEAR(o->reverb.combL[0].feedback, 0.98f, 1e-6f);

    // Master: gain (1.3 x volume) ^ 2.737, mix unscaled.
    o = settled({{"MasterVolume", 0.77f}, {"MasterMix", 0.5f}});
    EXPECT_NEAR(o->masterGain, kUnityGain, 1e-6f);
    EXPECT_EQ(o->masterMix, 0.5f);
}
