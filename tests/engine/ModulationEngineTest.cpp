// The engine's modulation side: oscillators, pattern chains, the gate and the pan.
#include "EngineRig.h"

#include <string>

namespace
{

// Normalised value that selects entry k of a sync table with count entries.
float syncEntry(int k, int count)
{
    return 1.0f - (k + 0.5f) / count;
}

} // namespace

TEST(ModulationEngineTest, TempoSetsRatesAndPositionSetsPhases)
{
    EngineRig e({{"PanOn", 1.0f}, {"PanSource", 0.0f}});
    const struct {
        float sync, rate, hz;
    } cases[] = {
        {1.0f, syncEntry(10, 33), 2.0f}, // "1/4": one beat
        {1.0f, syncEntry(16, 33), 0.5f}, // "1/1": four beats
        {1.0f, syncEntry(0, 33), 24.0f}, // "1/32T": 1/12 beat
        {0.0f, 0.0f, 0.02f},             // free range 0.02..8 Hz
        {0.0f, 1.0f, 8.0f},
    };
    for (const auto& c : cases) {
        e.apply({{"PanRateSync", c.sync},
                 {"PanRate", c.rate},
                 {"CutoffModRateSync", c.sync},
                 {"CutoffModRate", c.rate}});
        EXPECT_NEAR(e.o->panLfo.getRate(), c.hz, 1e-3 * c.hz) << c.rate;
        EXPECT_NEAR(e.o->cutoffLfo.getRate(), c.hz, 1e-3 * c.hz) << c.rate;
    }
    // A new tempo moves every synced rate with it.
    e.apply({{"PanRateSync", 1.0f}, {"PanRate", syncEntry(10, 33)}});
    e.o->setTempo(90.0f, 0.0);
    EXPECT_NEAR(e.o->panLfo.getRate(), 1.5f, 1e-4);
    // The sequencer: "1/1" at 120 bpm is one 16-step cycle in 2 seconds.
    e.o->setTempo(120.0f, 0.0);
    e.set("SeqLength", 0.73f);
    EXPECT_NEAR(e.o->sequencer.getRate(), 0.5f, 1e-6);

    // A new position resynchronises the synced pan oscillator ("1/4": a beat per cycle) and the
    // sequencer (4 beats per cycle); the free cutoff oscillator keeps its phase.
    e.apply({{"CutoffModRateSync", 0.0f}});
    e.o->cutoffLfo.setPhase(0.3);
    e.o->setTempo(120.0f, 3.25);
    EXPECT_NEAR(e.o->panLfo.getPhase(), 0.25, 1e-9);
    EXPECT_NEAR(e.o->cutoffLfo.getPhase(), 0.3, 1e-9);
    EXPECT_NEAR(e.o->sequencer.getPosition(), 0.8125, 1e-9);
    // The same tempo and position again changes nothing.
    e.o->panLfo.setPhase(0.1);
    e.o->setTempo(120.0f, 3.25);
    EXPECT_NEAR(e.o->panLfo.getPhase(), 0.1, 1e-9);
}

TEST(ModulationEngineTest, OscillatorLinksAndShapeLimit)
{
    EngineRig e;
    const auto& pan = e.param("PanPosition").modulation;
    const auto& cutoff = e.param("MmFilterCutoff").modulation;
    const KsModulationSource* panLfo = &e.o->panLfo;
    const KsModulationSource* cutoffLfo = &e.o->cutoffLfo;
    // {settings, pan source, cutoff source}; the sequencer as source links no oscillator, and
    // source 1 of the cutoff without any filter-chain pattern links nothing either.
    const struct {
        Settings settings;
        const KsModulationSource *pan, *cutoff;
    } steps[] = {
        {{}, nullptr, nullptr},
        {{{"PanOn", 1.0f}, {"PanSource", 0.0f}}, panLfo, nullptr},
        {{{"PanSource", 0.01f}}, nullptr, nullptr},
        {{{"PanSource", 0.0f}, {"PanOn", 0.0f}}, nullptr, nullptr},
        {{{"CutoffModOn", 1.0f}, {"CutoffModSource", 0.0f}}, nullptr, cutoffLfo},
        {{{"CutoffModSource", 0.01f}}, nullptr, nullptr},
    };
    for (const auto& s : steps) {
        e.apply(s.settings);
        EXPECT_EQ(pan.load(), s.pan);
        EXPECT_EQ(cutoff.load(), s.cutoff);
    }
    e.apply({{"PanShape", 0.12f}, {"CutoffModShape", 0.04f}, {"CutoffModDepth", 0.25f}});
    EXPECT_EQ(e.o->panLfo.getShape(), 9); // a stored out-of-range shape plays as the last shape
    EXPECT_EQ(e.o->cutoffLfo.getShape(), 4);
    EXPECT_FLOAT_EQ(e.o->cutoffLfo.getDepth(), 0.25f);
}

TEST(ModulationEngineTest, ChainsFollowSongPosition)
{
    EngineRig e({{"SeqLength", 0.73f}, // 4 beats per cycle
                 {"SeqPat3TGateOn", 1.0f},
                 {"SeqPat6TGateOn", 1.0f},
                 {"SeqPat8TGateOn", 1.0f},
                 {"SeqPat4PanOn", 1.0f}});
    const struct {
        double beats;
        int gate;
    } positions[] = {{0.0, 2}, {4.0, 5}, {9.5, 7}, {12.0, 2}, {400.0, 5}};
    for (const auto& p : positions) {
        e.o->setTempo(120.0f, p.beats);
        EXPECT_EQ(e.o->gatePattern.load(), p.gate) << p.beats;
        EXPECT_EQ(e.o->panPattern.load(), 3);
        EXPECT_EQ(e.o->filterPattern.load(), 0); // empty chain
    }
    // Playing on from cycle 2 (pattern 7): the wrap into cycle 3 moves on to pattern 2.
    e.o->setTempo(120.0f, 8.0);
    EXPECT_EQ(e.o->gatePattern.load(), 7);
    e.run(96000 + 512);
    EXPECT_EQ(e.o->gatePattern.load(), 2);
    // Switching a chain on or off chooses the pattern of the present cycle again.
    e.set("SeqPat3TGateOn", 0.0f);
    EXPECT_EQ(e.o->gatePattern.load(), 7); // cycle 3 of the chain {5, 7}
}

TEST(ModulationEngineTest, TranceGateFollowsSteps)
{
    // 2 s per cycle: one step = 6000 frames; even steps full, odd steps silent.
    EngineRig e({{"TranceGateOn", 1.0f}, {"SeqPat1TGateOn", 1.0f}, {"SeqLength", 0.73f}});
    for (int s = 0; s < kStepCount; ++s)
        e.o->setParameter(stepVolumeIndex(0, s), s % 2 == 0 ? 1.0f : 0.0f);
    e.o->resume();
    auto [l, r] = e.run(4 * 6000);
    // Step 0 sustains from 5 % to 35 % of the step; step 1 is silent; step 2 sounds again.
    for (int frame : {1200, 1800, 12000 + 1500}) {
        EXPECT_NEAR(l[frame], kUnityGain, 0.01f) << frame;
        EXPECT_NEAR(r[frame], kUnityGain, 0.01f) << frame;
    }
    for (int frame : {6000 + 600, 6000 + 3000, 6000 + 5900})
        EXPECT_NEAR(l[frame], 0.0f, 1e-6) << frame;
    // Without any pattern in the gate chain the gate does not act.
    e.set("SeqPat1TGateOn", 0.0f);
    EXPECT_NEAR(e.run(4 * 6000).first[6000 + 3000], kUnityGain, 1e-3);
}

TEST(ModulationEngineTest, PanLawAndSources)
{
    // A square oscillator (0.02 Hz: 25 s per half cycle) at full depth throws the sound hard
    // right (output -0.5, position 0: all of L + R on the right), then hard left.
    EngineRig osc({{"PanOn", 1.0f},
                   {"PanSource", 0.0f},
                   {"PanShape", 0.04f},
                   {"PanDepth", 1.0f},
                   {"PanRateSync", 0.0f},
                   {"PanRate", 0.0f}});
    for (double phase : {0.0, 0.6}) {
        osc.o->panLfo.setPhase(phase);
        const auto [l, r] = osc.run(4800);
        EXPECT_NEAR((phase < 0.5 ? l : r).back(), 0.0f, 1e-4) << phase;
        EXPECT_NEAR((phase < 0.5 ? r : l).back(), 2.0f * kUnityGain, 1e-3) << phase;
    }
    // The sequencer pan: a full step at depth 0.5 gives the position 0.75; with L = R = 1 the
    // blend m = 0.5 gives L' = 1.5, R' = 0.5.
    EngineRig seq({{"PanOn", 1.0f},
                   {"PanSource", 0.01f},
                   {"PanDepth", 0.5f},
                   {"SeqPat1PanOn", 1.0f},
                   {"SeqSustain", 1.0f}});
    for (int s = 0; s < kStepCount; ++s) {
        seq.o->setParameter(stepVolumeIndex(0, s), 1.0f);
        seq.o->setParameter(stepTieIndex(0, s), 1.0f);
    }
    seq.o->resume();
    const auto [l, r] = seq.run(4800);
    EXPECT_NEAR(l.back(), 1.5f * kUnityGain, 1e-3);
    EXPECT_NEAR(r.back(), 0.5f * kUnityGain, 1e-3);
}
