// The editor against the audio thread: host automation and audio on one thread, the editor's
// idle on another. The shell only marks changes; the controls are touched by the idle alone.
// Under ThreadSanitizer this finds any access to the editor from the audio side.
#include "../editor/EditorTestSupport.h"

#include "engine/KsPlugin.h"

#include <atomic>
#include <thread>
#include <vector>

namespace edtest
{

using EditorThreads = EditorTest;

TEST_F(EditorThreads, AudioAndAutomationAgainstIdle)
{
    Rig rig;
    ASSERT_TRUE(rig.open());
    rig.shell.setSampleRate(48000.0f);
    rig.shell.resume();
    KsPlugin& engine = *rig.shell.getEngine();
    const int xcita = engine.parameterIndex("DistXcita");
    const int volume = engine.parameterIndex("MasterVolume");
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

} // namespace edtest
