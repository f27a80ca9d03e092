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
        {Lfo::triangle, {{0.25, 1.0f}, {0.875, 0.25f}}},
        {Lfo::rampUp, {{0.3, 0.3f}, {0.995, 0.495f}}},
        {Lfo::square, {{0.49, 0.0f}, {0.5, 1.0f}}},
        {12, {{0.7, 0.0f}}},
    };
    for (const auto& c : cases)
        for (const auto& [t, expected] : c.points)
            EXPECT_NEAR(Lfo::shapeValue(c.shape, t), expected, 1e-3) << c.shape << " at " << t;
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
        changes += square.getTarget() != held;
        held = square.getTarget();
        levels.insert(held);
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
