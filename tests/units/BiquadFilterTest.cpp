#include "units/BiquadFilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>

// Magnitude of the designed transfer function at `hz`.
static double gainAt(const BiquadFilter& f, double hz, double sampleRate)
{
    const std::complex<double> z1 = std::polar(1.0, -6.283185307179586 * hz / sampleRate), z2 = z1 * z1;
    return std::abs((double(f.b0) + double(f.b1) * z1 + double(f.b2) * z2) /
                    (1.0 + double(f.a1) * z1 + double(f.a2) * z2));
}

TEST(BiquadFilter, PassAndStopBandGains)
{
    struct Case {
        bool highPass;
        double sr, hz, octaves;
    };
    const Case cases[] = {{false, 44100, 7000, 1.0}, {true, 96000, 400, 1.5}};
    for (const Case& c : cases) {
        BiquadFilter f;
        c.highPass ? f.setHighPass(c.sr, c.hz, c.octaves, false) : f.setLowPass(c.sr, c.hz, c.octaves, false);
        const double nyquist = c.sr / 2;
        EXPECT_NEAR(gainAt(f, c.highPass ? nyquist : 0.0, c.sr), 1.0, 1e-4) << c.hz;
        EXPECT_LT(gainAt(f, c.highPass ? 0.0 : nyquist, c.sr), 1e-6) << c.hz;
    }
}

TEST(BiquadFilter, CornersAtOrBeyondNyquistAreHeldBelowIt)
{
    // Fixed corners of the units at low host rates (the exciter's 7 kHz at 8 kHz, a delay
    // low-pass at 16 kHz at 32 kHz): the design is the one at 0.45 x the rate, and stable;
    // a corner below that limit is designed where it is.
    struct Case {
        bool highPass;
        double sr, hz;
    };
    const Case cases[] = {{true, 8000, 7000}, {false, 32000, 16000}, {false, 8000, 3000}};
    for (const Case& c : cases) {
        BiquadFilter f, held;
        const double heldHz = std::min(c.hz, 0.45 * c.sr);
        c.highPass ? f.setHighPass(c.sr, c.hz, 1.5, false) : f.setLowPass(c.sr, c.hz, 1.5, false);
        c.highPass ? held.setHighPass(c.sr, heldHz, 1.5, false) : held.setLowPass(c.sr, heldHz, 1.5, false);
        EXPECT_EQ(f.b0, held.b0) << c.sr << " " << c.hz;
        EXPECT_EQ(f.a1, held.a1) << c.sr << " " << c.hz;
        EXPECT_EQ(f.a2, held.a2) << c.sr << " " << c.hz;
        // Poles inside the unit circle: |a2| < 1 and |a1| < 1 + a2.
        EXPECT_LT(std::fabs(f.a2), 1.0f) << c.sr << " " << c.hz;
        EXPECT_LT(std::fabs(f.a1), 1.0f + f.a2) << c.sr << " " << c.hz;
    }
}
