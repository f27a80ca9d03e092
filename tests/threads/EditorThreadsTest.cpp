// The editor against the audio thread. Under ThreadSanitizer this finds any access to the editor
// from the audio side, and to the units from the editor while audio runs.
#include "../editor/EditorTestSupport.h"

#include "editor/OrvaneEditor.h"
#include "engine/KsPlugin.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

namespace edtest
{

using EditorThreads = EditorTest;

// Host automation and audio on one thread, the editor's idle on another: the shell only marks
// changes, and the controls are touched by the idle alone.
TEST_F(EditorThreads, AudioAndAutomationAgainstIdle)
{
    Rig rig;
    ASSERT_TRUE(rig.open());
    rig.shell.setSampleRate(48000.0f);
    rig.shell.resume();
    KsPlugin& engine = *rig.shell.getEngine();
    const int xcita = engine.parameterIndex("DistXcita"), volume = engine.parameterIndex("MasterVolume");
    std::atomic<bool> done{false};
    std::thread audio([&] {
        std::vector<float> l(256, 0.1f), r(256, 0.1f), ol(256), orr(256);
        float* in[2] = {l.data(), r.data()};
        float* out[2] = {ol.data(), orr.data()};
        for (int block = 0; block < 400; ++block) {
            rig.shell.setParameter(xcita, static_cast<float>(block % 100) / 100.0f);
            rig.shell.setParameter(volume, 0.5f + static_cast<float>(block % 10) / 100.0f);
            rig.shell.processReplacing(in, out, 256);
        }
        rig.shell.setParameter(xcita, 0.125f);
        done.store(true);
    });
    while (!done.load())
        rig.editor->idle();
    audio.join();
    rig.editor->idle();
    EXPECT_FLOAT_EQ(rig.editor->getControl(xcita)->getValue(), 0.125f);
}

// The randomise button resets the effect units: no audio block may run in them meanwhile, so a
// block that starts while it runs passes the input through, and every output stays finite.
TEST_F(EditorThreads, RandomizeWhileAudioRuns)
{
    EditorRig<OrvaneEditor> rig;
    ASSERT_TRUE(rig.open());
    rig.shell.setSampleRate(48000.0f);
    rig.shell.resume();
    KsPlugin& engine = *rig.shell.getEngine();
    for (const char* on : {"DelayOn", "ReverbOn", "FlangerOn", "DistOn"})
        rig.shell.setParameter(engine.parameterIndex(on), 1.0f);
    std::atomic<bool> done{false}, finite{true};
    std::thread audio([&] {
        std::vector<float> l(256, 0.3f), r(256, -0.3f), ol(256), orr(256);
        float* in[2] = {l.data(), r.data()};
        float* out[2] = {ol.data(), orr.data()};
        while (!done.load()) {
            rig.shell.processReplacing(in, out, 256);
            for (const std::vector<float>* o : {&ol, &orr})
                if (!std::all_of(o->begin(), o->end(), [](float x) { return std::isfinite(x); }))
                    finite.store(false);
        }
    });
    for (int press = 0; press < 8; ++press)
        for (float v : {1.0f, 0.0f})
            rig.editor->onControlChanged(engine.parameterIndex("Randomize"), v);
    done.store(true);
    audio.join();
    EXPECT_TRUE(finite.load());
    EXPECT_FALSE(engine.masterOff.load());
}

} // namespace edtest
