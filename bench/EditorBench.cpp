// The editor with the built-in skin (900 x 600, a control for each of the first 51 parameters
// and every other kind) in a headless window: "editor/open" opens it (skin description, every
// PNG, the controls, the first full draw) and closes it again; "editor/redraw" draws the whole
// frame; "editor/idle" is one host idle call with nothing changed.
#include "editor/KsEditor.h"
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
    KsEditor* makeEditor()
    {
        auto* made = new KsEditor(this, getEngine());
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
    KsEditor* editor = nullptr;
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

} // namespace
