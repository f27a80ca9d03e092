#include "FilterTestSupport.h"

#include <limits>

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

float peakOf(const std::vector<float>& y)
{
    float peak = 0.f;
    for (float v : y)
        peak = std::max(peak, std::fabs(v));
    return peak;
}

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

TEST(AnalogFilter, RobustInEveryMode)
{
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    for (const ModelModes& mm : allModels)
        for (int mode : mm.modes) {
            SCOPED_TRACE(testing::Message() << modelName(mm.model) << " mode " << mode);
            // Silence gives a tiny output from the injected noise (which keeps the states out of
            // the denormal range), never exact silence or NaN; an unknown mode leaves it alone.
            if (mode != mm.modes.back()) {
                auto f = setUp(mm.model, mode, 69.f, 0.5f);
                std::vector<float> y(4096, 0.f);
                runMono(*f, y);
                EXPECT_TRUE(std::all_of(y.begin(), y.end(), [](float v) { return std::isfinite(v); }));
                EXPECT_GT(std::count_if(y.begin(), y.end(), [](float v) { return v != 0.f; }), 4000);
                EXPECT_LT(peakOf(y), 1e-3f);
            }
            // Bad samples and settings never leave the filter stuck on NaN: once the input is sane
            // again, so is the output. Empty and negative blocks do nothing.
            auto f = setUp(mm.model, mode, 69.f, 1.f);
            std::vector<float> bad = {nan, inf, -inf, 1e30f, -1e30f, nan, 0.f, 0.f};
            f->process(bad.data(), 0);
            f->process(bad.data(), -5);
            f->process(bad.data(), static_cast<int>(bad.size()));
            for (float v : {nan, inf, -inf, -1e9f, 1e9f}) {
                f->setCutoff(v);
                f->setResonance(v);
                f->setDrive(v);
                f->setSampleRate(v);
                float block[16] = {};
                f->processStereo(block, block, 0, *f);
                f->processStereo(block, block, 16, *f);
            }
            f->setSampleRate(48000.f);
            f->setCutoff(80.f);
            f->setResonance(1.f);
            f->setDrive(1.f);
            std::vector<float> y = noise(2048, 1.f, 4);
            runMono(*f, y);
            EXPECT_TRUE(std::all_of(y.begin() + 16, y.end(), [](float v) { return std::isfinite(v); }));
            // Full resonance, loud input and cutoffs from the bottom to far above Nyquist stay
            // bounded, at the host rate and oversampled.
            for (float sr : {44100.f, 96000.f})
                for (float note : {0.f, 60.f, 120.f, 135.f, 200.f}) {
                    auto g = setUp(mm.model, mode, note, 1.f, sr);
                    std::vector<float> loud = noise(4096, 4.f, 5);
                    runMono(*g, loud);
                    EXPECT_LT(peakOf(loud), 100.f) << "note " << note << " rate " << sr;
                }
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

TEST(AnalogFilter, GainsAndFeedback)
{
    // Input and output gains at the unit's drive of 1 (the output gain is slot 3 in every model).
    const struct {
        Model model;
        std::vector<int> modes;
        float gainIn, gainOut;
    } gains[] = {
        {Model::svf, {0, 1, 2}, 0.25f, 4.f},          {Model::ms20, {0, 1, 2}, 0.1f, 10.f},
        {Model::ota, {0, 1, 2, 3, 4, 5}, 0.25f, 4.f}, {Model::moog, {0, 3}, 1.f, 1.f},
        {Model::moog, {1, 2, 4, 5}, 0.125f, 8.f},
    };
    for (const auto& c : gains)
        for (int mode : c.modes) {
            auto f = designed(c.model, mode, 69.f, 0.3f);
            const int inSlot =
                c.model == Model::ms20 ? int(MS20AFilter::coefGainIn) : int(SVFAFilter::coefGainIn);
            EXPECT_FLOAT_EQ(f->getCoefficient(inSlot), c.gainIn) << modelName(c.model) << " mode " << mode;
            EXPECT_FLOAT_EQ(f->getCoefficient(3), c.gainOut) << modelName(c.model) << " mode " << mode;
        }
    // Full resonance: SVF damping 2 - 2.02 * 0.99; K20 feedback 2 * 0.99 unless pulled back
    // near Nyquist.
    EXPECT_NEAR(designed(Model::svf, 0, 60.f, 1.f)->getCoefficient(SVFAFilter::coefD), 0.0002f, 1e-6f);
    EXPECT_FLOAT_EQ(designed(Model::ms20, 0, 60.f, 1.f)->getCoefficient(MS20AFilter::coefK), 1.98f);
    const float pulledBack = designed(Model::ms20, 0, 135.f, 1.f)->getCoefficient(MS20AFilter::coefK);
    EXPECT_LT(pulledBack, 1.9f);
    EXPECT_GT(pulledBack, 1.f);
    // Ladders: 3.96 (MG) and 2.475 (XP) times the compensation at fn = 2 Hz / rate.
    for (float note : {30.f, 69.f, 110.f}) {
        const double hz = std::min(440.0 * std::exp2((note - 69.0) / 12.0), 0.27 * 48000.0);
        const double c = analog::ladderCompensation(2.0 * hz / 48000.0);
        EXPECT_NEAR(designed(Model::moog, 0, note, 1.f)->getCoefficient(MoogAFilter::coefK), 3.96 * c, 1e-5);
        EXPECT_NEAR(designed(Model::ota, 0, note, 1.f)->getCoefficient(OTAAFilter::coefK), 2.475 * c, 1e-5);
    }
    // The tuning curve keeps g close to pi * fn at low frequencies.
    EXPECT_NEAR(analog::ladderTuning(0.001) / (std::numbers::pi * 0.001), 1.0, 0.01);
}

TEST(AnalogFilter, DiodeCurve)
{
    const float* t = MS20AFilter::diodeTable();
    // Odd around entry 2048 (v = 0), rising, and scaled to slope 1 at 0. The negative half is
    // solved as fully as the positive one: it reaches the limit of 8 (scaled) no earlier.
    EXPECT_EQ(t[2048], 0.f);
    for (int i = 1; i < 2048; ++i)
        ASSERT_EQ(t[2048 - i], -t[2048 + i]) << i;
    EXPECT_LT(t[2048 + 6 * 128], t[4099]);
    for (int i = 1; i < MS20AFilter::diodeTableSize; ++i)
        ASSERT_GE(t[i], t[i - 1]) << i;
    EXPECT_FLOAT_EQ(t[2049] - t[2048], 1.f / 128.f);
    // It bends: large inputs come out well below themselves, and the lookup is bounded.
    EXPECT_LT(MS20AFilter::diode(8.f), 4.f);
    EXPECT_NEAR(MS20AFilter::diode(0.01f), 0.01f, 1e-4f);
    EXPECT_FLOAT_EQ(MS20AFilter::diode(1e9f), t[4098]);
    EXPECT_FLOAT_EQ(MS20AFilter::diode(-1e9f), t[0]);
    EXPECT_TRUE(std::isfinite(MS20AFilter::diode(std::numeric_limits<float>::quiet_NaN())));
}

// A mode change is heard from the next sample. The XP only mixes the same ladder differently;
// the MG also redesigns the gains (its high-pass drives the ladder softly and makes up 8 times).
TEST(AnalogFilter, ModeChange)
{
    const std::vector<float> x = noise(64, 0.5f, 7);
    for (Model m : {Model::moog, Model::ota}) {
        auto switched = setUp(m, 0, 69.f, 0.2f), reference = setUp(m, 2, 69.f, 0.2f);
        std::vector<float> a = x, b = x;
        switched->process(a.data(), 32);
        reference->process(b.data(), 32);
        switched->setMode(2);
        EXPECT_EQ(switched->isDirty(), m == Model::moog);
        switched->process(a.data() + 32, 32);
        reference->process(b.data() + 32, 32);
        EXPECT_EQ(std::equal(a.begin() + 32, a.end(), b.begin() + 32), m == Model::ota);
        if (m == Model::moog) {
            EXPECT_FLOAT_EQ(switched->getCoefficient(MoogAFilter::coefGainOut), 8.f);
        }
    }
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
        {Model::svf, 0, lowPass, 2, 96000.f},   {Model::svf, 1, bandPass, 2, 96000.f},
        {Model::svf, 2, highPass, 2, 96000.f},  {Model::ms20, 0, lowPass, 2, 48000.f},
        {Model::ms20, 1, bandPass, 2, 48000.f}, {Model::ms20, 2, highPass, 1, 48000.f},
        {Model::ota, 0, lowPass, 4, 96000.f},   {Model::ota, 1, bandPass, 4, 96000.f},
        {Model::ota, 2, highPass, 4, 96000.f},  {Model::ota, 3, lowPass, 2, 48000.f},
        {Model::ota, 4, bandPass, 2, 48000.f},  {Model::ota, 5, highPass, 2, 48000.f},
        {Model::moog, 0, lowPass, 4, 96000.f},  {Model::moog, 1, bandPass, 4, 96000.f},
        {Model::moog, 2, highPass, 4, 96000.f}, {Model::moog, 3, lowPass, 2, 48000.f},
        {Model::moog, 4, bandPass, 2, 48000.f}, {Model::moog, 5, highPass, 2, 48000.f},
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
