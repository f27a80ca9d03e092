// The engine's modulation side: tempo-locked rates, phase resynchronisation, oscillator links,
// pattern chains at song positions, and the gate and pan sections of the pipeline.
#include "EngineRig.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace
{

// Normalised value that selects entry k of a sync table with count entries.
float syncEntry(int k, int count)
{
    return 1.0f - (k + 0.5f) / count;
}

} // namespace

TEST(ModulationEngineTest, OscillatorRatesFreeAndSynced)
{
    EngineRig e;
    e.set("PanOn", 1.0f);
    e.set("PanSource", 0.0f);
    e.o->setTempo(120.0f, 0.0);
    const struct {
        float sync, rate, hz;
    } cases[] = {
        {1.0f, syncEntry(10, 33), 2.0f}, // "1/4": one beat
        {1.0f, syncEntry(16, 33), 0.5f}, // "1/1": four beats
        {1.0f, syncEntry(0, 33), 24.0f}, // "1/32T": 1/48 whole note, 1/12 beat
        {0.0f, 0.0f, 0.02f},             // free range 0.02..8 Hz
        {0.0f, 1.0f, 8.0f},
    };
    for (const auto& c : cases) {
        e.set("PanRateSync", c.sync);
        e.set("PanRate", c.rate);
        EXPECT_NEAR(e.o->panLfo.getRate(), c.hz, 1e-3 * c.hz) << c.rate;
        e.set("CutoffModRateSync", c.sync);
        e.set("CutoffModRate", c.rate);
        EXPECT_NEAR(e.o->cutoffLfo.getRate(), c.hz, 1e-3 * c.hz) << c.rate;
    }
    // A new tempo moves every synced rate with it.
    e.set("PanRateSync", 1.0f);
    e.set("PanRate", syncEntry(10, 33));
    e.o->setTempo(90.0f, 0.0);
    EXPECT_NEAR(e.o->panLfo.getRate(), 1.5f, 1e-4);
    // The sequencer: "1/1" at 120 bpm is one 16-step cycle in 2 seconds.
    e.o->setTempo(120.0f, 0.0);
    e.set("SeqLength", 0.73f);
    EXPECT_NEAR(e.o->sequencer.getRate(), 0.5f, 1e-6);
}

TEST(ModulationEngineTest, PositionChangeResynchronisesPhases)
{
    EngineRig e;
    e.set("PanOn", 1.0f);
    e.set("PanRateSync", 1.0f);
    e.set("PanRate", syncEntry(16, 33)); // "1/1": 4 beats per cycle
    e.set("CutoffModRateSync", 0.0f);    // free: keeps its phase
    e.set("SeqLength", 0.73f);           // "1/1": 4 beats per 16 steps
    e.o->setTempo(120.0f, 0.0);
    e.o->cutoffLfo.setPhase(0.3);
    e.o->setTempo(120.0f, 3.0);
    EXPECT_NEAR(e.o->panLfo.getPhase(), 0.75, 1e-9);
    EXPECT_NEAR(e.o->cutoffLfo.getPhase(), 0.3, 1e-9);
    EXPECT_NEAR(e.o->sequencer.getPosition(), 0.75, 1e-9);
    // The same tempo and position again changes nothing.
    e.o->panLfo.setPhase(0.1);
    e.o->setTempo(120.0f, 3.0);
    EXPECT_NEAR(e.o->panLfo.getPhase(), 0.1, 1e-9);
}

TEST(ModulationEngineTest, OscillatorLinksAndShapeLimit)
{
    EngineRig e;
    KsParameter& position = e.param("PanPosition");
    KsParameter& cutoff = e.param("MmFilterCutoff");
    EXPECT_EQ(position.modulation.load(), nullptr);

    e.set("PanOn", 1.0f);
    e.set("PanSource", 0.0f);
    EXPECT_EQ(position.modulation.load(), &e.o->panLfo);
    e.set("PanSource", 0.01f); // the sequencer moves the pan instead
    EXPECT_EQ(position.modulation.load(), nullptr);
    e.set("PanSource", 0.0f);
    e.set("PanOn", 0.0f);
    EXPECT_EQ(position.modulation.load(), nullptr);

    e.set("CutoffModOn", 1.0f);
    e.set("CutoffModSource", 0.0f);
    EXPECT_EQ(cutoff.modulation.load(), &e.o->cutoffLfo);
    // Source 1 without any filter-chain pattern: no oscillator and no sequencer modulation.
    e.set("CutoffModSource", 0.01f);
    EXPECT_EQ(cutoff.modulation.load(), nullptr);

    e.set("PanShape", 0.12f); // a stored out-of-range shape plays as the last shape
    EXPECT_EQ(e.o->panLfo.getShape(), 9);
    e.set("CutoffModShape", 0.04f);
    EXPECT_EQ(e.o->cutoffLfo.getShape(), 4);
    e.set("CutoffModDepth", 0.25f);
    EXPECT_FLOAT_EQ(e.o->cutoffLfo.getDepth(), 0.25f);
}

TEST(ModulationEngineTest, ChainsFollowSongPosition)
{
    EngineRig e;
    e.set("SeqLength", 0.73f); // 4 beats per cycle
    for (int p : {2, 5, 7})
        e.set(("SeqPat" + std::to_string(p + 1) + "TGateOn").c_str(), 1.0f);
    e.set("SeqPat4PanOn", 1.0f);
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
    std::vector<float> l, r;
    std::tie(l, r) = e.run(96000 + 512);
    EXPECT_EQ(e.o->gatePattern.load(), 2);
    // Switching a chain on or off chooses the pattern of the present cycle again.
    e.set("SeqPat3TGateOn", 0.0f);
    EXPECT_EQ(e.o->gatePattern.load(), 7); // cycle 3 of the chain {5, 7}
}

TEST(ModulationEngineTest, TranceGateFollowsSteps)
{
    EngineRig e;
    e.set("TranceGateOn", 1.0f);
    e.set("SeqPat1TGateOn", 1.0f);
    e.set("SeqLength", 0.73f); // 2 s per cycle: one step = 6000 frames
    for (int s = 0; s < kStepCount; ++s)
        e.o->setParameter(stepVolumeIndex(0, s), s % 2 == 0 ? 1.0f : 0.0f);
    e.o->setTempo(120.0f, 0.0);
    e.o->resume();
    std::vector<float> l, r;
    std::tie(l, r) = e.run(4 * 6000);
    const float unity = kUnityGain;
    // Step 0 sustains from 5 % to 35 % of the step; step 1 is silent.
    for (int frame : {1200, 1800}) {
        EXPECT_NEAR(l[frame], unity, 0.01f) << frame;
        EXPECT_NEAR(r[frame], unity, 0.01f) << frame;
    }
    for (int frame : {6000 + 600, 6000 + 3000, 6000 + 5900})
        EXPECT_NEAR(l[frame], 0.0f, 1e-6) << frame;
    EXPECT_NEAR(l[12000 + 1500], unity, 0.01f); // step 2 sounds again

    // Without any pattern in the gate chain the gate does not act.
    e.set("SeqPat1TGateOn", 0.0f);
    std::tie(l, r) = e.run(4 * 6000);
    EXPECT_NEAR(l[6000 + 3000], unity, 1e-3);
}

TEST(ModulationEngineTest, PanLawAndSources)
{
    std::vector<float> l, r;
    {
        // A square oscillator at full depth throws the sound hard left, then hard right.
        EngineRig e;
        e.set("PanOn", 1.0f);
        e.set("PanSource", 0.0f);
        e.set("PanShape", 0.04f);
        e.set("PanDepth", 1.0f);
        e.set("PanRateSync", 0.0f);
        e.set("PanRate", 0.0f); // 0.02 Hz: 25 s per half cycle
        e.o->setTempo(120.0f, 0.0);
        e.o->resume();
        e.o->panLfo.setPhase(0.0);
        std::tie(l, r) = e.run(4800);
        // Phase < 0.5: output -0.5, position 0: all of L + R on the right.
        EXPECT_NEAR(l.back(), 0.0f, 1e-4);
        EXPECT_NEAR(r.back(), 2.0f * kUnityGain, 1e-3);
        e.o->panLfo.setPhase(0.6);
        std::tie(l, r) = e.run(4800);
        EXPECT_NEAR(r.back(), 0.0f, 1e-4);
        EXPECT_NEAR(l.back(), 2.0f * kUnityGain, 1e-3);
    }
    {
        // The sequencer pan: a full step at depth 0.5 gives the position 0.75.
        EngineRig e;
        e.set("PanOn", 1.0f);
        e.set("PanSource", 0.01f);
        e.set("PanDepth", 0.5f);
        e.set("SeqPat1PanOn", 1.0f);
        e.set("SeqSustain", 1.0f);
        for (int s = 0; s < kStepCount; ++s)
            e.o->setParameter(stepVolumeIndex(0, s), 1.0f);
        for (int s = 0; s < kStepCount; ++s)
            e.o->setParameter(stepTieIndex(0, s), 1.0f);
        e.o->setTempo(120.0f, 0.0);
        e.o->resume();
        std::tie(l, r) = e.run(4800);
        // p = 0.75, d = 0.5, L = R = 1: m = 0.5; L' = 1.5 * 1, R' = 0.5 * 1.
        const float unity = kUnityGain;
        EXPECT_NEAR(l.back(), 1.5f * unity, 1e-3);
        EXPECT_NEAR(r.back(), 0.5f * unity, 1e-3);
    }
}
