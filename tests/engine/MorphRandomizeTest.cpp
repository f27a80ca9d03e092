// The XY pad's refresh signal and MIDI redirection, step-parameter pushes, the randomiser.
#include "EngineRig.h"

#include "engine/MidiCcMap.h"
#include "engine/Random.h"

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
    // {"MorphXParam" (0.13 is "ReverbMix", 0.25 lies beyond the list), changed, toggles}
    const struct {
        float x;
        const char* changed;
        bool toggles;
    } cases[] = {{0.01f, "MmFilterCutoff", true},  {0.01f, "MmFilterRes", true},
                 {0.01f, "ReverbMix", false},      {0.13f, "ReverbMix", true},
                 {0.25f, "MmFilterCutoff", false}, {0.25f, "MmFilterRes", false}};
    for (const auto& c : cases) {
        e.set("MorphXParam", c.x);
        const float before = e.get("MorphSquare");
        e.set(c.changed, e.get(c.changed) > 0.5f ? 0.2f : 0.8f);
        EXPECT_EQ(e.get("MorphSquare") != before, c.toggles) << c.x << ", " << c.changed;
    }
}

TEST(MorphRandomizeTest, ControllerOnSelectorMovesTarget)
{
    EngineRig e({{"MorphXParam", 0.13f}, {"ReverbMix", 0.0f}}); // X on "ReverbMix"
    const int cc = e.o->midiMap->controllerOf(e.index("MorphXParam"));
    ASSERT_EQ(cc, 16);
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
    EngineRig e({{"CurrentPattern", 0.03f}}); // pattern 4
    RecordingAutomation automation;
    automation.engine = e.o.get();
    e.o->automation = &automation;
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

TEST(MorphRandomizeTest, RandomizeInvariants)
{
    for (std::uint32_t seed : {1u, 2u, 3u, 77u, 99u, 4242u, 12345u, 31337u}) {
        SCOPED_TRACE(seed);
        // Everything off: only the pad's two selectors change, to one of the first three targets.
        EngineRig off;
        const std::vector<float> before = off.stored();
        ksSrand(seed);
        off.o->randomize();
        const std::vector<float> after = off.stored();
        for (int i = 0; i < kAutomatableCount; ++i)
            EXPECT_TRUE(after[i] == before[i] || i == off.index("MorphXParam") ||
                        i == off.index("MorphYParam"))
                << "parameter " << i;
        for (const char* pad : {"MorphXParam", "MorphYParam"})
            EXPECT_LT(static_cast<int>(off.get(pad) * 100.0f + 0.0001f), 3) << pad;

        // With the gate and the sequencer pan on, every pattern repeats every four steps, sounds
        // in each group of four, and the stored steps differ from it in at most three flips
        // (which bypass the hooks).
        EngineRig e({{"TranceGateOn", 1.0f}, {"PanOn", 1.0f}, {"PanSource", 0.01f}});
        ksSrand(seed);
        e.o->randomize();
        EXPECT_FLOAT_EQ(e.get("SeqLength"), 0.73f);
        const GateSequencer& seq = e.o->sequencer;
        for (int p = 0; p < kPatternCount; ++p) {
            int flips = 0;
            for (int s = 0; s < kStepCount; ++s) {
                const float v = seq.getStepVolume(p, s);
                EXPECT_TRUE(v == 0.0f || v == 1.0f);
                EXPECT_EQ(v, seq.getStepVolume(p, s % 4)) << "repeats every four";
                flips += e.o->getParameter(stepVolumeIndex(p, s)) != v;
                flips += (e.o->getParameter(stepTieIndex(p, s)) > 0.5f) != seq.getTie(p, s);
            }
            EXPECT_LE(flips, 3) << "pattern " << p;
            EXPECT_GE(seq.getStepVolume(p, 0) + seq.getStepVolume(p, 1) + seq.getStepVolume(p, 2) +
                          seq.getStepVolume(p, 3),
                      1.0f)
                << "pattern " << p;
        }
    }
}
