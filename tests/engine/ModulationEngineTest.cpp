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
        {1.0f, syncEntry(0, 33), 24.0f}, // "1/32T": 1/12 beat
        {0.0f, 1.0f, 8.0f},              // free range 0.02..8 Hz
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
    e.apply({{"PanRateSync", 1.0f}, {"PanRate", syncEntry(10, 33)}, {"SeqLength", 0.73f}});
    e.o->setTempo(90.0f, 0.0);
    EXPECT_NEAR(e.o->panLfo.getRate(), 1.5f, 1e-4);
    e.o->setTempo(120.0f, 0.0);

    // A new position resynchronises the synced pan oscillator ("1/4": a beat per cycle) and the
    // sequencer (4 beats per cycle); the free cutoff oscillator keeps its phase.
    e.apply({{"CutoffModRateSync", 0.0f}});
    e.o->cutoffLfo.setPhase(0.3);
    e.o->setTempo(120.0f, 3.25);
    EXPECT_NEAR(e.o->panLfo.getPhase(), 0.25, 1e-9);
    EXPECT_NEAR(e.o->cutoffLfo.getPhase(), 0.3, 1e-9);
    EXPECT_NEAR(e.o->sequencer.getPosition(), 0.8125, 1e-9);
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
        {{{"PanOn", 1.0f}, {"PanSource", 0.0f}}, panLfo, nullptr},
        {{{"PanSource", 0.01f}}, nullptr, nullptr},
        {{{"CutoffModOn", 1.0f}, {"CutoffModSource", 0.0f}}, nullptr, cutoffLfo},
        {{{"CutoffModSource", 0.01f}}, nullptr, nullptr},
    };
    for (const auto& s : steps) {
        e.apply(s.settings);
        EXPECT_EQ(pan.load(), s.pan);
        EXPECT_EQ(cutoff.load(), s.cutoff);
    }
    e.apply({{"PanShape", 0.12f}});
    EXPECT_EQ(e.o->panLfo.getShape(), 9); // a stored out-of-range shape plays as the last shape
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
    } positions[] = {{0.0, 2}, {9.5, 7}, {400.0, 5}};
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
}

TEST(ModulationEngineTest, PanLawAndSources)
{
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
