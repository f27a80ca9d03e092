#include "EngineRig.h"

namespace
{

TEST(OrvanePipeline, MasterSection)
{
    EngineRig rig;
    // The first sub-block after construction fades in from silence.
    const auto first = rig.run(64).first;
    EXPECT_FLOAT_EQ(first[0], 0.0f);
    EXPECT_NEAR(first[63], kUnityGain * 63.0f / 64.0f, 1e-5);
    const auto [l, r] = rig.run(512, 0.5f, -0.25f);
    for (int i = 0; i < 512; ++i) {
        ASSERT_NEAR(l[i], 0.5f * kUnityGain, 1e-6);
        ASSERT_NEAR(r[i], -0.25f * kUnityGain, 1e-6);
    }
    // Without replacing the result is added to what the outputs hold.
    EXPECT_NEAR(rig.run(100, 0.5f, 0.5f, false, 1.0f).first[99], 1.0f + 0.5f * kUnityGain, 1e-6);
    // "MasterMix" 0 gives the dry input times the gain, whatever the sections do.
    EngineRig dry({{"MasterMix", 0.0f}, {"PanOn", 1.0f}, {"PanSource", 0.02f}, {"PanDepth", 1.0f}});
    dry.run(512, 0.0f, 0.0f);
    const auto out = dry.run(128, 1.0f, 0.0f);
    EXPECT_NEAR(out.first[100], kUnityGain, 1e-6);
    EXPECT_NEAR(out.second[100], 0.0f, 1e-6);
}

TEST(OrvanePipeline, RepeatedSectionDecisionsFollowEveryWrite)
{
    // While no parameter changes, a block takes the section decisions of the block before
    // without reading the parameters again. A twin made to decide afresh on every block (a
    // change is counted before each) must give the same output bit for bit, whether the writes
    // go through the engine or straight to the parameter, and while their ramps run.
    struct Write {
        int block;
        const char* name;
        float value;
        bool direct; // KsParameter::setValue rather than the engine's setParameter
    };
    const Write writes[] = {{300, "ReverbOn", 0.0f, true},         {420, "DistSoftSat", 0.0f, true},
                            {500, "SeqPat1TGateOn", 0.0f, true},   {640, "ReverbOn", 1.0f, false},
                            {700, "PanSource", 0.01f, false},      {760, "SeqPat2PanOn", 1.0f, true},
                            {820, "CutoffModSource", 0.01f, true}, {840, "SeqPat3FiltOn", 1.0f, false},
                            {900, "DelayOn", 0.0f, false},         {1000, "DistOn", 0.0f, true}};
    const auto output = [&](bool decideAfresh) {
        EngineRig rig({{"TranceGateOn", 1.0f},
                       {"SeqPat1TGateOn", 1.0f},
                       {"PanOn", 1.0f},
                       {"PanDepth", 0.6f},
                       {"MmFilterOn", 1.0f},
                       {"CutoffModOn", 1.0f},
                       {"DistOn", 1.0f},
                       {"DistXcita", 0.4f},
                       {"DistSoftSat", 0.3f},
                       {"FlangerOn", 1.0f},
                       {"DelayOn", 1.0f},
                       {"ReverbOn", 1.0f},
                       {"ReverbMix", 0.3f}});
        std::vector<float> inL(8), inR(8), l(8), r(8), out;
        std::uint32_t seed = 7;
        for (int block = 0; block < 1200; ++block) {
            for (const Write& w : writes)
                if (w.block == block) {
                    if (w.direct)
                        rig.param(w.name).setValue(w.value);
                    else
                        rig.set(w.name, w.value);
                }
            for (int i = 0; i < 8; ++i) {
                seed = seed * 1664525u + 1013904223u;
                inL[i] = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
                inR[i] = 0.5f * inL[i];
            }
            if (decideAfresh) KsParameter::changes.fetch_add(1);
            rig.o->process(inL.data(), inR.data(), l.data(), r.data(), 8, true);
            out.insert(out.end(), l.begin(), l.end());
            out.insert(out.end(), r.begin(), r.end());
        }
        return out;
    };
    // One after the other: the change count is shared by every engine.
    const std::vector<float> repeated = output(false);
    EXPECT_EQ(repeated, output(true));
}

TEST(OrvanePipeline, ControllerEventsOnePerSubBlock)
{
    // Without a sample rate ramps complete at once, so each event shows in its own sub-block.
    EngineRig rig({}, false);
    rig.run(256);
    const float loud = std::pow(1.3f, 2.737f);
    rig.o->queueEvent(0xB0, 20, 0, 10);   // "MasterVolume" 0 at frame 10
    rig.o->queueEvent(0xB1, 20, 127, 20); // "MasterVolume" 1 at frame 20, channel 2
    const auto out = rig.run(150).first;  // 64 + 64 + 22
    EXPECT_NEAR(out[0], kUnityGain, 1e-5);
    EXPECT_NEAR(out[63], kUnityGain / 64.0f, 1e-5); // the first sub-block glides to 0
    EXPECT_NEAR(out[64], 0.0f, 1e-6);
    EXPECT_NEAR(out[127], loud * 63.0f / 64.0f, 1e-4); // the second glides to full volume
    EXPECT_NEAR(out[149], loud, 1e-4);
    EXPECT_FLOAT_EQ(rig.get("MasterVolume"), 1.0f);
    EXPECT_EQ(rig.o->eventCount.load(), 0);
}

TEST(OrvanePipeline, MidiControllersAndNotes)
{
    EngineRig rig;
    // Notes select chain patterns only while "SeqMidiNoteTrigger" is on.
    rig.o->queueEvent(0x90, 52, 100, 0);
    rig.run(64, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(rig.o->getParameter(335), 0.0f);
    rig.apply({{"SeqMidiNoteTrigger", 1.0f}});
    rig.o->queueEvent(0x90, 52, 0, 0); // gate chain, pattern 5 (any velocity)
    rig.run(64, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(rig.o->getParameter(335), 1.0f);

    // While not processing, only channel-1 controllers apply, up to a delta beyond 2^30.
    rig.o->queueEvent(0xB1, 19, 0, 0);   // channel 2 "MasterMix": ignored
    rig.o->queueEvent(0xB0, 30, 127, 0); // "DistSoftSat"
    rig.o->queueEvent(0xB0, 19, 0, (1 << 30) + 1);
    rig.o->queueEvent(0xB0, 28, 127, 0);
    rig.o->applyPendingControllers();
    EXPECT_FLOAT_EQ(rig.get("MasterMix"), 1.0f);
    EXPECT_FLOAT_EQ(rig.get("DistSoftSat"), 1.0f);
    EXPECT_FLOAT_EQ(rig.get("DistOn"), 0.0f);
    EXPECT_EQ(rig.o->eventCount.load(), 0);

    // The 1025th event of a block is dropped; a block of no frames empties the queue.
    for (int i = 0; i < 1025; ++i)
        rig.o->queueEvent(0x80, 1, 1, i);
    EXPECT_EQ(rig.o->eventCount.load(), 1024);
    rig.run(0, 0.0f, 0.0f);
    EXPECT_EQ(rig.o->eventCount.load(), 0);
}

TEST(OrvanePipeline, HostileInputAndTiming)
{
    EngineRig rig;
    rig.o->setSampleRate(NAN);
    rig.o->setSampleRate(-1.0f);
    EXPECT_FLOAT_EQ(rig.o->sampleRate, 48000.0f);
    rig.o->setTempo(-10.0f, 8.0);
    rig.o->setTempo(INFINITY, 8.0);
    EXPECT_FLOAT_EQ(rig.o->tempo.load(), 120.0f);
    rig.o->setTempo(120.0f, 0.0);
    rig.run(48000, 0.0f, 0.0f); // one second at 120 bpm
    EXPECT_NEAR(rig.o->songPosition.load(), 2.0, 1e-9);

    std::vector<float> inL = {NAN, INFINITY, -INFINITY, 0.5f}, inR(4, NAN), outL(4), outR(4);
    rig.o->process(inL.data(), inR.data(), outL.data(), outR.data(), 4, true);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(std::isfinite(outL[i]) && std::isfinite(outR[i]));
        EXPECT_EQ(outR[i], 0.0f);
    }
    EXPECT_NEAR(outL[3], 0.5f * kUnityGain, 1e-6);

    // Before any valid tempo the song position moves at 120 bpm, and without a sample rate
    // nothing divides by zero.
    Orvane fresh;
    std::vector<float> zeros(480, 0.0f), out(480);
    fresh.process(zeros.data(), zeros.data(), out.data(), out.data(), 480, true);
    EXPECT_TRUE(std::isfinite(fresh.songPosition.load()));
    EXPECT_GT(fresh.songPosition.load(), -1.0);
}

} // namespace
