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
    struct Case {
        const char* what;
        float attack, sustain, decay;
        double f;
        float expected;
    };
    const Case cases[] = {
        // Defaults: A = 0.05 (minimum), S = 0.3, D = 0.5; sum 0.85 stays as it is.
        {"start of attack", 0.0f, 0.3f, 0.5f, 0.0, 0.0f},
        {"mid attack", 0.0f, 0.3f, 0.5f, 0.025, 0.5f},
        {"end of attack", 0.0f, 0.3f, 0.5f, 0.05, 1.0f},
        {"sustain", 0.0f, 0.3f, 0.5f, 0.2, 1.0f},
        {"end of sustain", 0.0f, 0.3f, 0.5f, 0.35, 1.0f},
        {"mid decay", 0.0f, 0.3f, 0.5f, 0.6, 0.5f},
        {"end of decay", 0.0f, 0.3f, 0.5f, 0.85, 0.0f},
        {"after decay", 0.0f, 0.3f, 0.5f, 0.95, 0.0f},
        // Sum above 1: 0.6 each becomes 1/3 each.
        {"scaled attack", 0.6f, 0.6f, 0.6f, 1.0 / 6.0, 0.5f},
        {"scaled sustain", 0.6f, 0.6f, 0.6f, 0.5, 1.0f},
        {"scaled decay", 0.6f, 0.6f, 0.6f, 5.0 / 6.0, 0.5f},
        {"scaled end", 0.6f, 0.6f, 0.6f, 0.999, 0.003f},
    };
    for (const Case& c : cases) {
        GateSequencer seq;
        setEnvelope(seq, c.attack, c.sustain, c.decay);
        seq.setStepVolume(0, 5, 1.0f);
        seek(seq, 5, c.f);
        EXPECT_NEAR(seq.gateEnvelope(0), c.expected, 1e-3) << c.what;
    }
}

TEST(GateSequencerTest, StepVolumeScalesAndSilentStepStaysSilent)
{
    GateSequencer seq;
    setEnvelope(seq, 0.0f, 0.3f, 0.5f);
    seq.setStepVolume(2, 3, 0.4f);
    seek(seq, 3, 0.2);
    EXPECT_NEAR(seq.gateEnvelope(2), 0.4f, 1e-6);
    EXPECT_EQ(seq.gateEnvelope(1), 0.0f); // other pattern is empty

    // Step 4 has volume 0: silent for its whole length although step 3 ties into it.
    seq.setTie(2, 3, true);
    for (double f : {0.0, 0.01, 0.04, 0.5, 0.99}) {
        seek(seq, 4, f);
        EXPECT_EQ(seq.gateEnvelope(2), 0.0f) << f;
    }
    // The tie into a silent step does not glide: step 3 decays normally.
    seek(seq, 3, 0.6);
    EXPECT_NEAR(seq.gateEnvelope(2), 0.2f, 1e-3);
}

TEST(GateSequencerTest, TieGlidesFromDecayToNextAttack)
{
    // A = 0.05, S = 0.3: the glide runs from f = 0.35 of step 6 to f = 0.05 of step 7 (0.7 steps).
    GateSequencer seq;
    setEnvelope(seq, 0.0f, 0.3f, 0.5f);
    seq.setStepVolume(0, 6, 1.0f);
    seq.setStepVolume(0, 7, 0.3f);
    seq.setTie(0, 6, true);
    const struct {
        int step;
        double f;
        float expected;
    } points[] = {
        {6, 0.35, 1.0f},
        {6, 0.70, 1.0f - 0.7f * 0.5f},
        {6, 0.99, 1.0f - 0.7f * (0.64f / 0.7f)},
        {7, 0.0, 1.0f - 0.7f * (0.65f / 0.7f)},
        {7, 0.05, 0.3f},
        {7, 0.2, 0.3f},
    };
    for (const auto& p : points) {
        seek(seq, p.step, p.f);
        EXPECT_NEAR(seq.gateEnvelope(0), p.expected, 1e-3) << p.step << " " << p.f;
    }

    // Step 15 ties around the end of the cycle into step 0.
    seq.setStepVolume(0, 15, 1.0f);
    seq.setStepVolume(0, 0, 1.0f);
    seq.setTie(0, 15, true);
    seek(seq, 15, 0.9);
    EXPECT_NEAR(seq.gateEnvelope(0), 1.0f, 1e-4);
    seek(seq, 0, 0.0);
    EXPECT_NEAR(seq.gateEnvelope(0), 1.0f, 1e-4);
}

TEST(GateSequencerTest, FullShuffleSilencesOddSteps)
{
    GateSequencer seq;
    setEnvelope(seq, 0.0f, 1.0f, 0.0f); // sustain fills most of a step
    seq.setShuffle(1.0f);
    for (int s = 0; s < GateSequencer::stepCount; ++s)
        seq.setStepVolume(0, s, s % 2 == 0 ? 0.8f : 1.0f);
    // Every point of the cycle belongs to an even step: the odd volume 1.0 is never heard.
    for (int i = 0; i < 320; ++i) {
        seq.setPosition(i / 320.0);
        EXPECT_LE(seq.gateEnvelope(0), 0.8f + 1e-6) << i;
    }
    // The even step spans the whole pair: half-way through the pair is half-way through step 2.
    seek(seq, 3, 0.0);
    EXPECT_NEAR(seq.gateEnvelope(0), 0.8f, 1e-6);

    // Half shuffle: the even step lasts 0.75 of the pair, so the odd step starts at 1.5 steps.
    seq.setShuffle(0.5f);
    seq.setStepVolume(0, 1, 0.0f);
    seek(seq, 1, 0.45); // still inside step 0
    EXPECT_GT(seq.gateEnvelope(0), 0.0f);
    seek(seq, 1, 0.55); // inside the (silent) odd step
    EXPECT_EQ(seq.gateEnvelope(0), 0.0f);
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

TEST(GateSequencerTest, ChainStepping)
{
    const unsigned chain = (1u << 2) | (1u << 5) | (1u << 7);
    EXPECT_EQ(GateSequencer::nextPattern(2, chain), 5);
    EXPECT_EQ(GateSequencer::nextPattern(5, chain), 7);
    EXPECT_EQ(GateSequencer::nextPattern(7, chain), 2);
    EXPECT_EQ(GateSequencer::nextPattern(0, chain), 2);
    EXPECT_EQ(GateSequencer::nextPattern(4, 1u << 4), 4); // a single pattern repeats
    EXPECT_EQ(GateSequencer::nextPattern(3, 0), 0);       // empty chain plays pattern 0

    const struct {
        std::int64_t cycles;
        int expected;
    } positions[] = {{0, 2}, {1, 5}, {2, 7}, {3, 2}, {301, 5}, {-1, 7}, {-3, 2}};
    for (const auto& p : positions)
        EXPECT_EQ(GateSequencer::firstActivePattern(p.cycles, chain), p.expected) << p.cycles;
    EXPECT_EQ(GateSequencer::firstActivePattern(5, 0), 0);
}
