// The XY pad's MIDI redirection and the randomiser.
#include "EngineRig.h"

#include "engine/MidiCcMap.h"
#include "engine/Random.h"

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
}

TEST(MorphRandomizeTest, RandomizeInvariants)
{
    for (std::uint32_t seed : {1u, 31337u}) {
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
