// What each section of the chain hands to its unit: a parameter at a known normalised value
// must arrive as the physical value of the parameter table and the unit's mapping, converted
// exactly once.
#include "EngineRig.h"

#include "units/BiquadFilter.h"

#include <functional>

TEST(SectionHandOver, EachParameterReachesItsUnitAsItsPhysicalValue)
{
    struct Check {
        const char* what;
        std::function<float(const Orvane&)> received;
        float expected;
        float tolerance;
    };
    // "DelayCutoff" 0.9: t = -0.25 log10(0.1) = 0.25, so 80 + 15920 x 0.25 = 4060 Hz, designed
    // as the delay designs its low-pass.
    BiquadFilter delayLowPass;
    delayLowPass.setLowPass(48000.0, 4060.0, 1.5, false);
    const float lowPass4060 = delayLowPass.b0;
    const struct {
        const char* name;
        Settings settings;
        std::vector<Check> checks;
    } sections[] = {
        // Multimode filter ("LP2 BQ"): the unit takes normalised values and converts the
        // cutoff itself (0.5 -> 1278.5 Hz).
        {"filter",
         {{"MmFilterOn", 1}, {"MmFilterCutoff", 0.5f}, {"MmFilterRes", 0.5f}, {"MmFilterMix", 0.25f}},
         {{"cutoff", [](const Orvane& o) { return o.filter.biquadL.cutoffHz; }, 1278.5f, 0.5f},
          {"resonance", [](const Orvane& o) { return o.filter.biquadL.resonance; }, 0.5f, 0.0f},
          {"mix", [](const Orvane& o) { return o.filter.lastMix; }, 0.25f, 0.0f}}},
        {"filter type",
         {{"MmFilterOn", 1}, {"MmFilterType", 0.05f}},
         {{"type 5 is row 5", [](const Orvane& o) { return float(o.filter.currentType); }, 5.0f, 0.0f}}},
        // Exciter and saturator: unscaled.
        {"distortion",
         {{"DistOn", 1}, {"DistXcita", 0.3f}, {"DistSoftSat", 0.4f}},
         {{"exciter amount", [](const Orvane& o) { return o.exciter.amount; }, 0.3f, 0.0f},
          {"saturator amount", [](const Orvane& o) { return o.softSaturator.amount; }, 0.4f, 0.0f}}},
        // Flanger: feedback 0..0.95 unscaled, wet = mix / 2, rate 0.02..8 Hz, times in seconds.
        {"flanger",
         {{"FlangerOn", 1},
          {"FlangerFeedback", 0.9f},
          {"FlangerMix", 0.6f},
          {"FlangerRate", 0.5f},
          {"FlangerDelay", 0.5f},
          {"FlangerDepth", 0.5f}},
         {{"feedback", [](const Orvane& o) { return o.flanger.feedback; }, 0.855f, 1e-6f},
          {"wet", [](const Orvane& o) { return o.flanger.wet; }, 0.3f, 1e-7f},
          {"rate", [](const Orvane& o) { return o.flanger.rate; }, 4.01f, 1e-5f},
          {"base delay", [](const Orvane& o) { return o.flanger.baseDelay; }, 0.00505f, 1e-9f},
          {"depth", [](const Orvane& o) { return o.flanger.depth; }, 0.0005f, 1e-10f}}},
        {"flanger at the top",
         {{"FlangerOn", 1}, {"FlangerFeedback", 1.0f}},
         {{"feedback", [](const Orvane& o) { return o.flanger.feedback; }, 0.95f, 0.0f}}},
        // Delay: echo level = mix / 2, feedback x 0.8, cutoff through its curve, free rate
        // from the sync table at 120 bpm (0.5 -> 1.25 beats -> 1.6 Hz).
        {"delay",
         {{"DelayOn", 1},
          {"DelayMix", 0.6f},
          {"DelayFeedback", 0.5f},
          {"DelayCutoff", 0.9f},
          {"DelayRateSync", 0},
          {"DelayLRate", 0.5f}},
         {{"mix", [](const Orvane& o) { return o.delay.mix; }, 0.3f, 1e-7f},
          {"feedback", [](const Orvane& o) { return o.delay.feedback; }, 0.4f, 1e-7f},
          {"cutoff", [](const Orvane& o) { return o.delay.lowPassL.b0; }, lowPass4060, 1e-5f * lowPass4060},
          {"left rate", [](const Orvane& o) { return o.delay.leftRate; }, 1.6f, 1e-5f}}},
        // Reverb: wet 0.75 x mix, dry 1 - 0.5 x mix, comb feedback 0.7 + 0.28 x size.
        {"reverb",
         {{"ReverbOn", 1}, {"ReverbMix", 0.4f}, {"ReverbSize", 1.0f}},
         {{"wet", [](const Orvane& o) { return o.reverb.wet1; }, 0.3f, 1e-6f},
          {"dry", [](const Orvane& o) { return o.reverb.dry; }, 0.8f, 1e-6f},
          {"size", [](const Orvane& o) { return o.reverb.combL[0].feedback; }, 0.98f, 1e-6f}}},
        // Master: gain (1.3 x volume) ^ 2.737, mix unscaled.
        {"master",
         {{"MasterVolume", 0.77f}, {"MasterMix", 0.5f}},
         {{"gain", [](const Orvane& o) { return o.masterGain; }, kUnityGain, 1e-6f},
          {"mix", [](const Orvane& o) { return o.masterMix; }, 0.5f, 0.0f}}},
    };
    for (const auto& section : sections) {
        EngineRig rig(section.settings);
        rig.run(1024, 0.25f, -0.25f);
        for (const Check& c : section.checks)
            EXPECT_NEAR(c.received(*rig.o), c.expected, c.tolerance) << section.name << ": " << c.what;
    }
}
