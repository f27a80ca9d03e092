// Frequency responses of the analog models at their unit settings (drive 1): low-passes pass
// DC and cut far above the cutoff, band-passes peak near it, high-passes settle to 0 for a
// constant input and pass what lies far above the cutoff.

#include "AnalogFilterTestSupport.h"

#include <gtest/gtest.h>

using namespace analogtest;

namespace
{

enum class Kind { lowPass, bandPass, highPass };

struct Response {
    Model model;
    int mode;
    Kind kind;
    int poles;  // slope far from the cutoff at resonance 0 (the K20 high-pass has one pole)
    float rate; // the rate the unit runs the model at ("HQ" types oversample)
};

const Response responses[] = {
    {Model::svf, 0, Kind::lowPass, 2, 96000.f},   {Model::svf, 1, Kind::bandPass, 2, 96000.f},
    {Model::svf, 2, Kind::highPass, 2, 96000.f},  {Model::ms20, 0, Kind::lowPass, 2, 48000.f},
    {Model::ms20, 1, Kind::bandPass, 2, 48000.f}, {Model::ms20, 2, Kind::highPass, 1, 48000.f},
    {Model::ota, 0, Kind::lowPass, 4, 96000.f},   {Model::ota, 1, Kind::bandPass, 4, 96000.f},
    {Model::ota, 2, Kind::highPass, 4, 96000.f},  {Model::ota, 3, Kind::lowPass, 2, 48000.f},
    {Model::ota, 4, Kind::bandPass, 2, 48000.f},  {Model::ota, 5, Kind::highPass, 2, 48000.f},
    {Model::moog, 0, Kind::lowPass, 4, 96000.f},  {Model::moog, 1, Kind::bandPass, 4, 96000.f},
    {Model::moog, 2, Kind::highPass, 4, 96000.f}, {Model::moog, 3, Kind::lowPass, 2, 48000.f},
    {Model::moog, 4, Kind::bandPass, 2, 48000.f}, {Model::moog, 5, Kind::highPass, 2, 48000.f},
};

// Output level settled from a constant input (mean of the last quarter).
double settledDc(const Response& r, float note, float level)
{
    auto f = setUp(r.model, r.mode, note, 0.f, r.rate);
    std::vector<float> y(16384, level);
    runMono(*f, y);
    double sum = 0;
    for (size_t i = y.size() * 3 / 4; i < y.size(); ++i)
        sum += y[i];
    return sum / double(y.size() / 4);
}

// Least attenuation expected 3.6 octaves beyond the cutoff for a slope.
double stopBandDb(int poles)
{
    return poles == 4 ? -60.0 : poles == 2 ? -30.0 : -15.0;
}

} // namespace

TEST(AnalogResponse, ShapesMatchTheMode)
{
    const double cutoffHz = 1000.0;
    const float note = noteOf(cutoffHz);
    for (const Response& r : responses) {
        SCOPED_TRACE(testing::Message() << modelName(r.model) << " mode " << r.mode);
        const double dc = settledDc(r, note, 0.2f);
        const double far = gainDb(r.model, r.mode, note, 0.f, cutoffHz * 12, r.rate);
        const double below = gainDb(r.model, r.mode, note, 0.f, cutoffHz / 12, r.rate);
        switch (r.kind) {
        case Kind::lowPass:
            // The K20 inverts the polarity; its level is that of the input.
            EXPECT_NEAR(std::fabs(dc), 0.2, 0.01);
            EXPECT_LT(far, stopBandDb(r.poles));
            break;
        case Kind::highPass:
            EXPECT_NEAR(dc, 0.0, 1e-3);
            EXPECT_LT(below, stopBandDb(r.poles));
            EXPECT_NEAR(far, 0.0, 3.0);
            break;
        case Kind::bandPass: {
            EXPECT_NEAR(dc, 0.0, 1e-3);
            // Find the loudest of a sweep in sixth-octave steps.
            double bestHz = 0, bestDb = -1e9;
            for (double hz = cutoffHz / 8; hz < cutoffHz * 8; hz *= std::exp2(1.0 / 6)) {
                const double db = gainDb(r.model, r.mode, note, 0.f, hz, r.rate);
                if (db > bestDb) bestDb = db, bestHz = hz;
            }
            EXPECT_GT(bestHz, cutoffHz / 2);
            EXPECT_LT(bestHz, cutoffHz * 2);
            EXPECT_GT(bestDb, far + 12.0);
            EXPECT_GT(bestDb, below + 12.0);
            break;
        }
        }
    }
}

// Resonance raises a peak near the cutoff in every low-pass.
TEST(AnalogResponse, ResonanceRaisesAPeak)
{
    const double cutoffHz = 1000.0;
    const float note = noteOf(cutoffHz);
    for (const Response& r : responses) {
        if (r.kind != Kind::lowPass) continue;
        SCOPED_TRACE(testing::Message() << modelName(r.model) << " mode " << r.mode);
        double flat = -1e9, resonant = -1e9;
        for (double hz = cutoffHz / 2; hz < cutoffHz * 2; hz *= std::exp2(1.0 / 12)) {
            flat = std::max(flat, gainDb(r.model, r.mode, note, 0.f, hz, r.rate));
            resonant = std::max(resonant, gainDb(r.model, r.mode, note, 0.8f, hz, r.rate));
        }
        EXPECT_GT(resonant, flat + 3.0);
    }
}
