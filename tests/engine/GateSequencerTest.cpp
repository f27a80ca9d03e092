#include "engine/GateSequencer.h"

#include <gtest/gtest.h>

namespace
{

// Places the clock at step `step` plus the fraction `f` of that step.
void seek(GateSequencer& seq, int step, double f)
{
    seq.setPosition((step + f) / GateSequencer::stepCount);
}

void setEnvelope(GateSequencer& seq, float attack, float sustain, float decay)
{
    seq.setAttack(attack);
    seq.setSustain(sustain);
    seq.setDecay(decay);
}

} // namespace

TEST(GateSequencerTest, EnvelopeShapes)
{
    // Defaults: A = 0.05 (minimum), S = 0.3, D = 0.5, sum 0.85 as it is. A sum above 1 is
    // scaled: 0.6 each becomes 1/3 each.
    const struct {
        float attack, sustain, decay;
        double f;
        float expected;
    } cases[] = {
        {0.0f, 0.3f, 0.5f, 0.025, 0.5f}, {0.0f, 0.3f, 0.5f, 0.35, 1.0f},    {0.0f, 0.3f, 0.5f, 0.6, 0.5f},
        {0.0f, 0.3f, 0.5f, 0.85, 0.0f},  {0.6f, 0.6f, 0.6f, 1.0 / 6, 0.5f}, {0.6f, 0.6f, 0.6f, 0.999, 0.003f},
    };
    for (const auto& c : cases) {
        GateSequencer seq;
        setEnvelope(seq, c.attack, c.sustain, c.decay);
        seq.setStepVolume(0, 5, 1.0f);
        seek(seq, 5, c.f);
        EXPECT_NEAR(seq.gateEnvelope(0), c.expected, 1e-3) << c.attack << " at " << c.f;
    }
}

TEST(GateSequencerTest, StepVolumesAndTies)
{
    GateSequencer seq;
    setEnvelope(seq, 0.0f, 0.3f, 0.5f);
    seq.setStepVolume(2, 3, 0.4f);
    seek(seq, 3, 0.2);
    EXPECT_NEAR(seq.gateEnvelope(2), 0.4f, 1e-6);
    // Step 4 has volume 0: silent for its whole length although step 3 ties into it, and the
    // tie into a silent step does not glide: step 3 decays normally.
    seq.setTie(2, 3, true);
    seek(seq, 4, 0.04);
    EXPECT_EQ(seq.gateEnvelope(2), 0.0f);
    seek(seq, 3, 0.6);
    EXPECT_NEAR(seq.gateEnvelope(2), 0.2f, 1e-3);

    // A tie glides from the end of sustain (f = 0.35 of step 6) to the end of the next attack
    // (f = 0.05 of step 7): 0.7 steps.
    seq.setStepVolume(0, 6, 1.0f);
    seq.setStepVolume(0, 7, 0.3f);
    seq.setTie(0, 6, true);
    const struct {
        int step;
        double f;
        float expected;
    } points[] = {{6, 0.70, 1.0f - 0.7f * 0.5f}, {7, 0.0, 1.0f - 0.65f}, {7, 0.05, 0.3f}};
    for (const auto& p : points) {
        seek(seq, p.step, p.f);
        EXPECT_NEAR(seq.gateEnvelope(0), p.expected, 1e-3) << p.step << " " << p.f;
    }
    // Step 15 ties around the end of the cycle into step 0.
    seq.setStepVolume(0, 15, 1.0f);
    seq.setStepVolume(0, 0, 1.0f);
    seq.setTie(0, 15, true);
    for (int step : {15, 0}) {
        seek(seq, step, step ? 0.9 : 0.0);
        EXPECT_NEAR(seq.gateEnvelope(0), 1.0f, 1e-4) << step;
    }
}

TEST(GateSequencerTest, Shuffle)
{
    GateSequencer seq;
    setEnvelope(seq, 0.0f, 1.0f, 0.0f); // sustain fills most of a step
    seq.setShuffle(1.0f);
    for (int s = 0; s < GateSequencer::stepCount; ++s)
        seq.setStepVolume(0, s, s % 2 == 0 ? 0.8f : 1.0f);
    seek(seq, 3, 0.0); // half-way through the pair is half-way through step 2
    EXPECT_NEAR(seq.gateEnvelope(0), 0.8f, 1e-6);
}

TEST(GateSequencerTest, ClockWrapsOncePerCycle)
{
    GateSequencer seq;
    seq.setSampleRate(48000.0f);
    seq.setRate(0.5f); // "1/1" at 120 bpm: 2 s per cycle
    int wraps = 0;
    for (int i = 0; i < 3 * 48000 / 64; ++i)
        wraps += seq.advanceClock(64) ? 1 : 0;
    EXPECT_EQ(wraps, 1);
    EXPECT_NEAR(seq.getPosition(), 0.5, 1e-9);
    // A cycle shorter than a block, or a clock without a sample rate, keeps the phase in 0..1.
    seq.setRate(10000.0f);
    EXPECT_TRUE(seq.advanceClock(64));
    EXPECT_GE(seq.getPosition(), 0.0);
    EXPECT_LT(seq.getPosition(), 1.0);
    GateSequencer idle;
    idle.setRate(1.0f);
    EXPECT_FALSE(idle.advanceClock(64));
    EXPECT_EQ(idle.getPosition(), 0.0);
}
