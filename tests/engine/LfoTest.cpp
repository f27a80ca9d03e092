#include "engine/Lfo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>
#include <vector>

namespace
{

void configure(Lfo& lfo, int shape, float depth, float hz)
{
    lfo.setSampleRate(48000.0f);
    lfo.setShape(shape);
    lfo.setDepth(depth);
    lfo.setRate(hz);
    lfo.update();
}

} // namespace

TEST(LfoTest, TableShapes)
{
    // The ramp interpolates back to t = 0 near the end; shape 12 (out of range) reads as shape 9.
    const struct {
        int shape;
        std::vector<std::pair<double, float>> points; // {t, expected}
    } cases[] = {
        {Lfo::sine, {{0.0, 0.5f}, {0.25, 1.0f}, {0.75, 0.0f}}},
        {Lfo::triangle, {{0.0, 0.5f}, {0.25, 1.0f}, {0.5, 0.5f}, {0.75, 0.0f}, {0.875, 0.25f}}},
        {Lfo::rampUp, {{0.3, 0.3f}, {0.995, 0.495f}}},
        {Lfo::rampDown, {{0.3, 0.7f}}},
        {Lfo::square, {{0.49, 0.0f}, {0.5, 1.0f}}},
        {Lfo::invertedSine, {{0.25, 0.0f}}},
        {Lfo::invertedTriangle, {{0.75, 1.0f}}},
        {Lfo::invertedSquare, {{0.2, 1.0f}, {0.7, 0.0f}}},
        {12, {{0.7, 0.0f}}},
    };
    for (const auto& c : cases)
        for (const auto& [t, expected] : c.points)
            EXPECT_NEAR(Lfo::shapeValue(c.shape, t), expected, 1e-3) << c.shape << " at " << t;
    EXPECT_NEAR(Lfo::shapeValue(Lfo::sine, 0.125), 0.5f + 0.5f * std::sin(0.25 * M_PI), 2e-3);
}

TEST(LfoTest, SquareStepsAreSlewedOverTenMilliseconds)
{
    Lfo lfo;
    configure(lfo, Lfo::square, 1.0f, 1.0f); // 24000 frames per half cycle
    lfo.advance(64);
    // At phase ~0 the target is -0.5; the output moves from 0 by at most 1/480 per frame.
    EXPECT_FLOAT_EQ(lfo.getTarget(), -0.5f);
    EXPECT_NEAR(lfo.output(), -64.0f / 480.0f, 1e-5);
    for (int i = 0; i < 10; ++i)
        lfo.advance(64);
    EXPECT_FLOAT_EQ(lfo.output(), -0.5f);
    // Across the half cycle the target jumps to +0.5; the full swing takes 480 frames, rounded
    // up to whole sub-blocks.
    lfo.setPhase(0.5 - 1.0 / 48000.0);
    lfo.advance(64);
    EXPECT_FLOAT_EQ(lfo.getTarget(), 0.5f);
    int frames = 64;
    for (; lfo.output() < 0.5f && frames < 4800; frames += 64)
        lfo.advance(64);
    EXPECT_EQ(frames, 512);
    EXPECT_FLOAT_EQ(lfo.output(), 0.5f);
}

TEST(LfoTest, PhaseStaysInCycleWhateverTheIncrement)
{
    Lfo lfo; // no sample rate yet: the increment is rate / 1
    lfo.setRate(8.0f);
    lfo.update();
    lfo.advance(64);
    EXPECT_GE(lfo.getPhase(), 0.0);
    EXPECT_LT(lfo.getPhase(), 1.0);
    configure(lfo, Lfo::sine, 1.0f, 2.0f);
    EXPECT_DOUBLE_EQ(lfo.getIncrement(), 2.0 / 48000.0);
    lfo.setPhase(0.0);
    for (int i = 0; i < 750; ++i) // one second: two full cycles
        lfo.advance(64);
    EXPECT_NEAR(lfo.getPhase(), 0.0, 1e-9);
    lfo.setPhase(1.0); // a resynchronised phase of 1 counts as 0
    EXPECT_EQ(lfo.getPhase(), 0.0);
}

TEST(LfoTest, RandomShapesDrawAtHalfCycles)
{
    // 10 Hz: 2400 frames per half cycle, 20 half cycles in the 750 blocks of a second.
    Lfo square, tri;
    configure(square, Lfo::randomSquare, 0.8f, 10.0f);
    configure(tri, Lfo::randomTriangle, 1.0f, 10.0f);
    std::set<float> levels;
    float held = square.getTarget(), previous = tri.getTarget();
    int changes = 0;
    for (int i = 0; i < 750; ++i) {
        square.advance(64);
        const float t = square.getTarget();
        EXPECT_LE(std::fabs(t), 0.4f + 1e-6f);
        EXPECT_LE(std::fabs(square.output()), 0.4f + 1e-6f);
        changes += t != held;
        held = t;
        levels.insert(t);
        // The random triangle joins its levels with straight lines: it never jumps, not even
        // where a new level is drawn, and it stays inside the depth.
        tri.advance(64);
        const float u = tri.getTarget();
        EXPECT_LE(std::fabs(u), 0.5f + 1e-6f);
        EXPECT_LE(std::fabs(u - previous), 64.0f / 2400.0f + 1e-4f) << i;
        previous = u;
    }
    EXPECT_LE(changes, 20);
    EXPECT_GT(levels.size(), 5u);
}
