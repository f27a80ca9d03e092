// The product editor with the built-in skin in a headless window: "editor/open" opens it (skin
// description, every PNG, the controls, the first full draw) and closes it again;
// "editor/redraw" draws the whole frame; "editor/idle" is one host idle call with nothing
// changed; "editor/idle-meters" is one idle call in which both output meters move (the engine's
// peaks change by more than a segment and more than the meters' 60 ms have passed).
#include "editor/OrvaneEditor.h"
#include "engine/KsPlugin.h"
#include "platform/gui/HeadlessBackend.h"
#include "shell/OrvaneVST.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

namespace
{

class BenchShell : public OrvaneVST
{
  public:
    BenchShell() : OrvaneVST(nullptr) {}
    OrvaneEditor* makeEditor()
    {
        auto* made = new OrvaneEditor(this, getEngine());
        attachEditor(made);
        return made;
    }
};

struct EditorRig {
    EditorRig()
    {
        // A private data folder, seeded with the built-in skin of the build tree.
        const std::string home = "/tmp/orvane-bench-editor-" + std::to_string(getpid());
        setenv("XDG_DATA_HOME", home.c_str(), 1);
        setenv("ORVANE_FACTORY_DIR", ORVANE_BINARY_DIR "/data", 1);
        shell = std::make_unique<BenchShell>();
        editor = shell->makeEditor();
        editor->setBackend(&backend);
    }
    ~EditorRig() { editor->close(); }

    gui::HeadlessBackend backend;
    gui::HeadlessParent parent;
    std::unique_ptr<BenchShell> shell;
    OrvaneEditor* editor = nullptr;
};

void editorOpen(benchmark::State& state)
{
    EditorRig rig;
    for (auto _ : state) {
        if (!rig.editor->open(&rig.parent)) {
            state.SkipWithError("the built-in skin did not open");
            return;
        }
        rig.editor->close();
    }
}
BENCHMARK(editorOpen)->Name("editor/open")->Unit(benchmark::kMillisecond);

void editorRedraw(benchmark::State& state)
{
    EditorRig rig;
    if (!rig.editor->open(&rig.parent)) {
        state.SkipWithError("the built-in skin did not open");
        return;
    }
    for (auto _ : state)
        rig.editor->getFrame()->redraw();
}
BENCHMARK(editorRedraw)->Name("editor/redraw")->Unit(benchmark::kMillisecond);

void editorIdle(benchmark::State& state)
{
    EditorRig rig;
    if (!rig.editor->open(&rig.parent)) {
        state.SkipWithError("the built-in skin did not open");
        return;
    }
    rig.editor->idle();
    for (auto _ : state)
        rig.editor->idle();
}
BENCHMARK(editorIdle)->Name("editor/idle")->Unit(benchmark::kMicrosecond);

void editorIdleMeters(benchmark::State& state)
{
    EditorRig rig;
    if (!rig.editor->open(&rig.parent)) {
        state.SkipWithError("the built-in skin did not open");
        return;
    }
    KsPlugin& engine = *rig.shell->getEngine();
    bool loud = false;
    for (auto _ : state) {
        loud = !loud;
        engine.peakLeft.store(loud ? 0.9f : 0.05f);
        engine.peakRight.store(loud ? 0.6f : 0.01f);
        rig.backend.advance(OrvaneEditor::kMeterMs + 1);
        rig.editor->idle();
    }
}
BENCHMARK(editorIdleMeters)->Name("editor/idle-meters")->Unit(benchmark::kMicrosecond);

} // namespace
