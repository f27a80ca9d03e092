#include "FilterTestSupport.h"

using namespace filtertest;

namespace
{

struct ModelModes {
    Model model;
    std::vector<int> modes; // every response plus one the model does not know
};

const ModelModes allModels[] = {
    {Model::svf, {0, 1, 2, -1}},
    {Model::ms20, {0, 1, 2, 3}},
    {Model::ota, {0, 1, 2, 3, 4, 5, 6}},
    {Model::moog, {0, 1, 2, 3, 4, 5, 6}},
};

// Coefficients after one block, so that the block-start design has run.
std::unique_ptr<AnalogFilter> designed(Model m, int mode, float note, float res)
{
    auto f = setUp(m, mode, note, res);
    float block[16] = {};
    f->process(block, 16);
    return f;
}

} // namespace

// processStereo equals process per channel, bit for bit, while the settings ramp and the signal
// drives the saturators hard; an unknown mode leaves the audio alone, and the partner object too.
TEST(AnalogFilter, StereoVectorPathEqualsScalarPath)
{
    const std::vector<float> left = noise(1024, 2.5f, 1), right = noise(1024, 0.3f, 2);
    for (const ModelModes& mm : allModels)
        for (int mode : mm.modes)
            for (float sr : {48000.f, 96000.f}) {
                SCOPED_TRACE(testing::Message() << modelName(mm.model) << " mode " << mode << " rate " << sr);
                auto stereo = setUp(mm.model, mode, 60.f, 0.9f, sr),
                     partner = setUp(mm.model, mode, 60.f, 0.9f, sr);
                auto monoL = setUp(mm.model, mode, 60.f, 0.9f, sr),
                     monoR = setUp(mm.model, mode, 60.f, 0.9f, sr);
                std::vector<float> sl = left, sr2 = right;
                for (size_t i = 0, chunk = 0; i < left.size(); i += 16, ++chunk) {
                    // Sweep the cutoff and change resonance and drive between chunks.
                    for (AnalogFilter* f : {stereo.get(), monoL.get(), monoR.get()}) {
                        f->setCutoff(20.f + float(chunk % 23) * 5.f);
                        if (chunk % 7 == 3) f->setResonance(float(chunk % 5) * 0.25f);
                        if (chunk % 11 == 5) f->setDrive(0.5f + float(chunk % 3));
                    }
                    ASSERT_TRUE(stereoEqualsMono(*stereo, *partner, *monoL, *monoR, &sl[i], &sr2[i], 16))
                        << i;
                }
                EXPECT_EQ(sameBits(sl, left), mode == mm.modes.back());
                // The partner never ran: it behaves like a freshly set-up object.
                auto fresh = setUp(mm.model, mode, 60.f, 0.9f, sr);
                std::vector<float> a = left, b = left;
                runMono(*partner, a);
                runMono(*fresh, b);
                EXPECT_TRUE(sameBits(a, b));
            }
}

// A cutoff change glides across the next block to the coefficients of a filter set up at the
// new cutoff; the ladders stay dirty for one more block and then land on them exactly.
TEST(AnalogFilter, CutoffRampLandsOnTarget)
{
    for (const ModelModes& mm : allModels) {
        SCOPED_TRACE(modelName(mm.model));
        const int frequencyCoef = mm.model == Model::ms20 ? int(MS20AFilter::coefF) : 0;
        const bool ladder = mm.model == Model::ota || mm.model == Model::moog;
        auto f = designed(mm.model, 0, 40.f, 0.5f);
        const float before = f->getCoefficient(frequencyCoef);
        const float target = designed(mm.model, 0, 100.f, 0.5f)->getCoefficient(frequencyCoef);
        ASSERT_NE(before, target);
        float block[16] = {};
        f->setCutoff(100.f);
        f->process(block, 8);
        EXPECT_NEAR(f->getCoefficient(frequencyCoef), target, 1e-5f * std::fabs(target));
        EXPECT_EQ(f->isDirty(), ladder);
        f->process(block, 8);
        EXPECT_FALSE(f->isDirty());
        if (ladder) {
            EXPECT_EQ(f->getCoefficient(frequencyCoef), target);
        }
    }
}

TEST(AnalogFilter, DiodeCurve)
{
    const float* t = MS20AFilter::diodeTable();
    // Odd around entry 2048 (v = 0), rising, and scaled to slope 1 at 0. The negative half is
    // solved as fully as the positive one: it reaches the limit of 8 (scaled) no earlier.
    for (int i = 1; i < 2048; ++i)
        ASSERT_EQ(t[2048 - i], -t[2048 + i]) << i;
    EXPECT_LT(t[2048 + 6 * 128], t[4099]);
    // The lookup is bounded.
    EXPECT_FLOAT_EQ(MS20AFilter::diode(1e9f), t[4098]);
    EXPECT_FLOAT_EQ(MS20AFilter::diode(-1e9f), t[0]);
    EXPECT_TRUE(std::isfinite(MS20AFilter::diode(NAN)));
}

// Responses at the unit's settings and rates ("HQ" types oversample): low-passes pass DC, cut far
// above the cutoff and peak near it with resonance; band-passes peak near the cutoff; high-passes
// block DC and pass what lies far above.
TEST(AnalogFilter, ResponsesMatchTheMode)
{
    enum Kind { lowPass, bandPass, highPass };
    // {model, mode, kind, poles far from the cutoff at resonance 0, rate}
    const struct {
        Model model;
        int mode;
        Kind kind;
        int poles;
        float sr;
    } responses[] = {
        {Model::svf, 1, bandPass, 2, 96000.f},  {Model::ms20, 0, lowPass, 2, 48000.f},
        {Model::ms20, 2, highPass, 1, 48000.f}, {Model::ota, 5, highPass, 2, 48000.f},
        {Model::moog, 0, lowPass, 4, 96000.f},  {Model::moog, 4, bandPass, 2, 48000.f},
    };
    const double cutoffHz = 1000.0;
    const float note = noteOf(cutoffHz);
    for (const auto& r : responses) {
        SCOPED_TRACE(testing::Message() << modelName(r.model) << " mode " << r.mode);
        const auto gain = [&](double hz, float res) { return gainDb(r.model, r.mode, note, res, hz, r.sr); };
        // Output settled from a constant input of 0.2 (mean of the last quarter).
        auto f = setUp(r.model, r.mode, note, 0.f, r.sr);
        std::vector<float> y(16384, 0.2f);
        runMono(*f, y);
        double dc = 0;
        for (size_t i = y.size() * 3 / 4; i < y.size(); ++i)
            dc += y[i] / double(y.size() / 4);
        // Least attenuation expected 3.6 octaves beyond the cutoff for the slope.
        const double stopBand = r.poles == 4 ? -60.0 : r.poles == 2 ? -30.0 : -15.0;
        const double far = gain(cutoffHz * 12, 0.f), below = gain(cutoffHz / 12, 0.f);
        if (r.kind == lowPass) {
            EXPECT_NEAR(std::fabs(dc), 0.2, 0.01); // the K20 inverts the polarity
            EXPECT_LT(far, stopBand);
            double flat = -1e9, resonant = -1e9;
            for (double hz = cutoffHz / 2; hz < cutoffHz * 2; hz *= std::exp2(1.0 / 12)) {
                flat = std::max(flat, gain(hz, 0.f));
                resonant = std::max(resonant, gain(hz, 0.8f));
            }
            EXPECT_GT(resonant, flat + 3.0);
        } else if (r.kind == highPass) {
            EXPECT_NEAR(dc, 0.0, 1e-3);
            EXPECT_LT(below, stopBand);
            EXPECT_NEAR(far, 0.0, 3.0);
        } else {
            EXPECT_NEAR(dc, 0.0, 1e-3);
            // The loudest of a sweep in sixth-octave steps.
            double bestHz = 0, bestDb = -1e9;
            for (double hz = cutoffHz / 8; hz < cutoffHz * 8; hz *= std::exp2(1.0 / 6))
                if (const double db = gain(hz, 0.f); db > bestDb) bestDb = db, bestHz = hz;
            EXPECT_GT(bestHz, cutoffHz / 2);
            EXPECT_LT(bestHz, cutoffHz * 2);
            EXPECT_GT(bestDb, far + 12.0);
            EXPECT_GT(bestDb, below + 12.0);
        }
    }
}
