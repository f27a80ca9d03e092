// Host changes reach controls in the idle; control changes reach engine and host.
#include "EditorTestSupport.h"

#include "editor/OrvaneEditor.h"
#include "engine/KsPlugin.h"

#include <vector>

namespace
{

using namespace edtest;

struct HostEvents {
    std::vector<std::vector<int>> events; // {opcode, index}
};
HostEvents* currentHost = nullptr;

VstIntPtr recordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float)
{
    if (currentHost &&
        (opcode == audioMasterAutomate || opcode == audioMasterBeginEdit || opcode == audioMasterEndEdit))
        currentHost->events.push_back({opcode, index});
    return 0;
}

class EditorParameters : public EditorTest
{
  protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        currentHost = &host;
    }
    void TearDown() override
    {
        currentHost = nullptr;
        EditorTest::TearDown();
    }
    HostEvents host;
};

TEST_F(EditorParameters, HostChangesReachTheControlInTheNextIdle)
{
    Rig rig;
    ASSERT_TRUE(rig.open());
    const int xcita = rig.shell.getEngine()->parameterIndex("DistXcita");
    CControl* knob = rig.editor->getControl(xcita);
    const float before = knob->getValue();
    rig.shell.setParameter(xcita, 0.25f);
    // Nothing touches the control on the thread of the change.
    EXPECT_FLOAT_EQ(knob->getValue(), before);
    rig.editor->idle();
    EXPECT_FLOAT_EQ(knob->getValue(), 0.25f);

    // A program change refreshes every control in the next idle.
    rig.shell.currentProgram()->values[xcita] = 0.75f;
    rig.shell.setProgram(rig.shell.getProgram());
    rig.editor->idle();
    EXPECT_FLOAT_EQ(knob->getValue(), 0.75f);
}

TEST_F(EditorParameters, ControlChangesWriteTheParameterAndTellTheHost)
{
    Rig rig(&recordingHost);
    ASSERT_TRUE(rig.open());
    host.events.clear();
    const int xcita = rig.shell.getEngine()->parameterIndex("DistXcita");
    CControl* knob = rig.editor->getControl(xcita);
    knob->setValue(0.4f);
    rig.editor->valueChanged(knob);
    EXPECT_FLOAT_EQ(rig.shell.getParameter(xcita), 0.4f);
    EXPECT_TRUE(rig.editor->hasUserChanged());
    ASSERT_EQ(host.events.size(), 1u);
    EXPECT_EQ(host.events[0], (std::vector<int>{audioMasterAutomate, xcita}));

    // A press and drag on the knob: begin, the writes, end.
    host.events.clear();
    const CRect r = knob->getViewSize();
    const CPoint centre((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    rig.frame()->handleMouseDown(centre, kLButton);
    rig.frame()->handleMouseMoved(centre.offset(0, -20), kLButton);
    rig.frame()->handleMouseUp(centre.offset(0, -20), kLButton);
    ASSERT_GE(host.events.size(), 3u);
    EXPECT_EQ(host.events.front(), (std::vector<int>{audioMasterBeginEdit, xcita}));
    EXPECT_EQ(host.events.back(), (std::vector<int>{audioMasterEndEdit, xcita}));
    EXPECT_FLOAT_EQ(rig.shell.getParameter(xcita), 0.5f);

    // Internal parameters (above the stored ones) do not count as a user change.
    rig.editor->refreshControls(false);
    EXPECT_FALSE(rig.editor->hasUserChanged());
    CControl* kick = rig.editor->getControl(rig.shell.getEngine()->parameterIndex("Randomize"));
    kick->setValue(1.0f);
    rig.editor->valueChanged(kick);
    EXPECT_FALSE(rig.editor->hasUserChanged());

    // A meter tells the host nothing.
    host.events.clear();
    CControl* meter = rig.editor->getControl(rig.shell.getEngine()->parameterIndex("LevelMeterL"));
    ASSERT_NE(meter, nullptr);
    meter->setValue(0.5f);
    rig.editor->valueChanged(meter);
    EXPECT_TRUE(host.events.empty());
}

TEST_F(EditorParameters, EveryPathToleratesParametersWithoutControls)
{
    // A skin that binds one parameter only.
    writeSkin(skin, "BITMAPS Background Knob -- FONTS -- PARAMETERS -- PAGES -- CONTROLS "
                    "DistXcita Knob Knob Main 100 100 0 0");
    Rig rig(&recordingHost);
    // Closed: everything is ignored.
    for (int i = -1; i < 600; ++i)
        rig.editor->setParameter(i, 0.5f);
    rig.editor->refreshControls(true);
    rig.editor->idle();
    ASSERT_TRUE(rig.open());
    for (int i = -1000; i < 1000; ++i)
        rig.editor->setParameter(i, 0.3f);
    EXPECT_FLOAT_EQ(rig.editor->getControl(rig.shell.getEngine()->parameterIndex("DistXcita"))->getValue(),
                    0.3f);
    for (int i = 0; i < rig.shell.getEngine()->parameterCount; ++i)
        rig.shell.setParameter(i, 0.5f);
    rig.shell.setProgram(3);
    rig.editor->idle();
    rig.editor->refreshControls(true);
    rig.editor->valueChanged(nullptr);
    rig.editor->beginEdit(-1);
    rig.editor->endEdit(100000);
    EXPECT_EQ(rig.editor->getControl(-1), nullptr);
    EXPECT_EQ(rig.editor->getControl(100000), nullptr);
    for (const auto& e : host.events)
        EXPECT_NE(e[0], audioMasterBeginEdit);
}

TEST_F(EditorParameters, ProductShellsCreateTheRegisteredEditor)
{
    {
        OrvaneVST bare(nullptr);
        EXPECT_EQ(bare.getEditor(), nullptr);
        EXPECT_EQ(bare.getAeffect()->flags & effFlagsHasEditor, 0);
    }
    OrvaneEditor::useForShells();
    OrvaneVST shell(nullptr);
    KsPluginVST::setEditorFactory(nullptr);
    auto* editor = dynamic_cast<OrvaneEditor*>(shell.getEditor());
    ASSERT_NE(editor, nullptr);
    EXPECT_NE(shell.getAeffect()->flags & effFlagsHasEditor, 0);
    EXPECT_EQ(shell.getEngine()->editor.load(), editor);
    ERect* rect = nullptr;
    ASSERT_TRUE(editor->getRect(&rect));
    EXPECT_EQ(rect->right, 500);
    gui::HeadlessBackend backend;
    gui::HeadlessParent parent;
    editor->setBackend(&backend);
    ASSERT_TRUE(editor->open(&parent));
    EXPECT_TRUE(editor->isOpen());
    editor->idle();
    editor->close();
    EXPECT_FALSE(editor->isOpen());
}

} // namespace
