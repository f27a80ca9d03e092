// The XY pad's refresh signal and MIDI redirection, the step-parameter pushes, and the
// randomiser's invariants.
#include "EngineRig.h"

#include "engine/KsProgram.h"
#include "engine/MidiCcMap.h"
#include "engine/MorphTargets.h"
#include "engine/Orvane.h"
#include "engine/ParameterTable.h"
#include "engine/Random.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace
{

// Records the shell's automated writes and passes them on, as the shell does.
struct RecordingAutomation : KsAutomation {
    Orvane* engine = nullptr;
    std::vector<int> written;
    void setParameterAutomated(int index, float value) override
    {
        written.push_back(index);
        engine->setParameter(index, value);
    }
};

} // namespace

TEST(MorphRandomizeTest, RefreshSignalFollowsSelectedTargets)
{
    EngineRig e; // defaults: X = "MmFilterCutoff", Y = "MmFilterRes"
    const struct {
        const char* x; // selector value of "MorphXParam"
        float xValue;
        const char* changed;
        bool toggles;
    } cases[] = {
        {"default", 0.01f, "MmFilterCutoff", true},
        {"default", 0.01f, "MmFilterRes", true},
        {"default", 0.01f, "ReverbMix", false},
        {"X on ReverbMix", 0.13f, "ReverbMix", true},
        {"X beyond the list", 0.25f, "MmFilterCutoff", false},
        {"X beyond the list", 0.25f, "MmFilterRes", false},
    };
    for (const auto& c : cases) {
        e.set("MorphXParam", c.xValue);
        const float before = e.get("MorphSquare");
        e.set(c.changed, e.get(c.changed) > 0.5f ? 0.2f : 0.8f);
        EXPECT_EQ(e.get("MorphSquare") != before, c.toggles) << c.x << ", " << c.changed;
    }
}

TEST(MorphRandomizeTest, ControllerOnSelectorMovesTarget)
{
    EngineRig e;
    const int cc = e.o->midiMap->controllerOf(e.index("MorphXParam"));
    ASSERT_EQ(cc, 16);
    e.set("MorphXParam", 0.13f); // "ReverbMix"
    e.set("ReverbMix", 0.0f);
    const int square = e.index("MorphSquare");
    e.o->changed[square].store(0);
    e.o->queueEvent(0xB0, cc, 127, 0);
    e.run(64, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(e.get("ReverbMix"), 1.0f);
    EXPECT_FLOAT_EQ(e.get("MorphXParam"), 0.13f); // the selector itself stays
    // The pad hears of it through the refresh signal (toggled by the target's change and again
    // by the redirection, so its value may end where it was; what reaches the pad is the write).
    EXPECT_EQ(e.o->changed[square].load(), 1);

    // A selector beyond the list makes the controller do nothing.
    e.set("MorphXParam", 0.25f);
    const std::vector<float> before = e.stored();
    e.o->queueEvent(0xB0, cc, 0, 0);
    e.run(64, 0.0f, 0.0f);
    EXPECT_EQ(e.stored(), before);
}

TEST(MorphRandomizeTest, StepTriggersPushThroughTheShellOnlyWithAnEditor)
{
    EngineRig e;
    RecordingAutomation automation;
    automation.engine = e.o.get();
    e.o->automation = &automation;
    e.set("CurrentPattern", 0.03f); // pattern 4
    // The step editor writes values without hooks, then sets the trigger.
    e.o->parameter(stepVolumeIndex(3, 5))->setValue(0.6f);
    e.set("StepSeqVol", 1.0f);
    EXPECT_TRUE(automation.written.empty()); // no editor: nothing is written
    EXPECT_EQ(e.o->sequencer.getStepVolume(3, 5), 0.0f);

    // The engine never looks inside the editor; any non-null pointer marks it attached.
    int editorStandIn = 0;
    e.o->editor = reinterpret_cast<KsEditor*>(&editorStandIn);
    e.set("StepSeqVol", 0.0f);
    ASSERT_EQ(automation.written.size(), 16u);
    EXPECT_EQ(automation.written.front(), stepVolumeIndex(3, 0));
    EXPECT_EQ(automation.written.back(), stepVolumeIndex(3, 15));
    EXPECT_FLOAT_EQ(e.o->sequencer.getStepVolume(3, 5), 0.6f);

    automation.written.clear();
    e.o->parameter(stepTieIndex(3, 15))->setValue(1.0f);
    e.set("StepSeqTie", 1.0f);
    ASSERT_EQ(automation.written.size(), 16u);
    EXPECT_EQ(automation.written.front(), stepTieIndex(3, 0));
    EXPECT_TRUE(e.o->sequencer.getTie(3, 15));
    e.o->editor = nullptr;
    e.o->automation = nullptr;
}

TEST(MorphRandomizeTest, EverythingOffChangesOnlyThePad)
{
    for (std::uint32_t seed : {1u, 2u, 77u, 12345u}) {
        EngineRig e;
        const std::vector<float> before = e.stored();
        ksSrand(seed);
        e.o->randomize();
        const std::vector<float> after = e.stored();
        for (int i = 0; i < kAutomatableCount; ++i) {
            if (i == e.index("MorphXParam") || i == e.index("MorphYParam")) continue;
            EXPECT_EQ(after[i], before[i]) << "seed " << seed << ", parameter " << i;
        }
        for (const char* pad : {"MorphXParam", "MorphYParam"}) {
            const int s = static_cast<int>(e.get(pad) * 100.0f + 0.0001f);
            EXPECT_TRUE(s == 0 || s == 1 || s == 2) << pad << " " << s;
        }
    }
}

TEST(MorphRandomizeTest, GatePatternsSoundInEveryGroupOfFour)
{
    for (std::uint32_t seed : {1u, 3u, 99u, 4242u, 31337u}) {
        EngineRig e;
        e.set("TranceGateOn", 1.0f);
        e.set("PanOn", 1.0f);
        e.set("PanSource", 0.01f); // the pan also follows the sequencer
        ksSrand(seed);
        e.o->randomize();
        EXPECT_FLOAT_EQ(e.get("SeqLength"), 0.73f);
        for (int p = 0; p < kPatternCount; ++p) {
            int flips = 0;
            for (int s = 0; s < kStepCount; ++s) {
                // The sequencer holds the pattern as written before the flips (which bypass hooks).
                const float v = e.o->sequencer.getStepVolume(p, s);
                EXPECT_TRUE(v == 0.0f || v == 1.0f);
                EXPECT_EQ(v, e.o->sequencer.getStepVolume(p, s % 4)) << "repeats every four";
                flips += e.o->getParameter(stepVolumeIndex(p, s)) != v;
                flips += (e.o->getParameter(stepTieIndex(p, s)) > 0.5f) != e.o->sequencer.getTie(p, s);
            }
            EXPECT_LE(flips, 3) << "seed " << seed << ", pattern " << p;
            float group = 0.0f;
            for (int s = 0; s < 4; ++s)
                group += e.o->sequencer.getStepVolume(p, s);
            EXPECT_GE(group, 1.0f) << "seed " << seed << ", pattern " << p;
        }
    }
}
