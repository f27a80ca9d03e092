// Knobs and sliders of the test skin ("DistXcita" knob centred at (100, 100), "MasterVolume"
// slider over (188, 93)-(212, 187)): their context menus, the fine drag and the hover read-out.
#include "EditorTestSupport.h"

#include "editor/CAnimKnobS.h"
#include "editor/VerticalSliderS.h"
#include "engine/KsPlugin.h"
#include "platform/gui/COptionMenu.h"

namespace
{

using namespace edtest;

constexpr CPoint kKnob(100, 100), kSlider(200, 140), kAway(5, 395);

// An editor that records the read-outs it is asked for and lets the test see its text timer.
class ReadoutEditor : public KsEditor
{
  public:
    using KsEditor::KsEditor;
    void showParameterValue(int tag) override { shown.push_back(tag); }
    int timer() const { return textTimer; }
    void setTimer(int ms) { textTimer = ms; }
    std::vector<int> shown;
};

class ReadoutShell : public OrvaneVST
{
  public:
    ReadoutShell() : OrvaneVST(nullptr) { attachEditor(editor = new ReadoutEditor(this, getEngine())); }
    ReadoutEditor* editor;
};

struct KnobRig {
    KnobRig()
    {
        editor->setBackend(&backend);
        EXPECT_TRUE(editor->open(&parent));
    }
    ~KnobRig() { editor->close(); }
    int index(const char* name) { return shell.getEngine()->parameterIndex(name); }
    CFrame* frame() { return editor->getFrame(); }

    gui::HeadlessBackend backend;
    gui::HeadlessParent parent;
    ReadoutShell shell;
    ReadoutEditor* editor = shell.editor;
};

TEST_F(EditorTest, KnobAndSliderMenus)
{
    KnobRig rig;
    const int knob = rig.index("DistXcita"), slider = rig.index("MasterVolume");
    ASSERT_NE(dynamic_cast<CAnimKnobS*>(rig.editor->getControl(knob)), nullptr);
    ASSERT_NE(dynamic_cast<VerticalSliderS*>(rig.editor->getControl(slider)), nullptr);
    const std::vector<std::string> knobMenu{"Midi Learn", "Linear", "Circular"}, sliderMenu{"Midi Learn"};
    struct Case {
        const char* what;
        CPoint where;
        int buttons;
        std::vector<int> answer;
        const std::vector<std::string>& entries;
        int menuTag;
        int learnTarget;
        CKnobMode mode;
    };
    const Case cases[] = {
        {"knob, learn", kKnob, kRButton, {0}, knobMenu, 364, knob, kLinearMode},
        {"knob, circular (command click)", kKnob, kLButton | kCommand, {2}, knobMenu, 364, -1, kCircularMode},
        {"knob, cancelled", kKnob, kRButton, {}, knobMenu, 364, -1, kCircularMode},
        {"knob, linear", kKnob, kRButton, {1}, knobMenu, 364, -1, kLinearMode},
        {"slider, learn", kSlider, kRButton, {0}, sliderMenu, slider, slider, kLinearMode},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        rig.shell.getEngine()->setLearnTarget(-1);
        const float before = rig.shell.getParameter(knob);
        std::vector<std::string> listed;
        int tag = -2;
        rig.backend.onMenuOpened = [&](const COptionMenu& menu, CPoint) {
            tag = menu.getTag();
            for (int i = 0; i < menu.getNbEntries(); ++i)
                listed.push_back(menu.getEntryText(i));
        };
        rig.backend.queueMenuAnswer(c.answer);
        rig.frame()->handleMouseDown(c.where, c.buttons);
        rig.frame()->handleMouseUp(c.where, c.buttons);
        EXPECT_EQ(listed, c.entries);
        EXPECT_EQ(tag, c.menuTag);
        EXPECT_EQ(rig.shell.getEngine()->learnTarget.load(), c.learnTarget);
        EXPECT_EQ(rig.frame()->getKnobMode(), c.mode);
        EXPECT_FLOAT_EQ(rig.shell.getParameter(knob), before);
    }
}

TEST_F(EditorTest, KnobLinearDragAndFineDrag)
{
    KnobRig rig;
    const int knob = rig.index("DistXcita");
    struct Case {
        int buttons;
        CPoint moveBy;
        float change;
    };
    const Case cases[] = {
        {kLButton, {0, -20}, 0.1f},           // 20 pixels up of 200
        {kLButton, {30, 10}, 0.1f},           // right counts as up, down against it
        {kLButton | kShift, {40, 0}, 0.01f},  // fine: 4000 pixels over the range
        {kLButton | kShift, {0, 80}, -0.02f}, // fine, down
    };
    for (const Case& c : cases) {
        rig.editor->getControl(knob)->setValue(0.5f);
        rig.frame()->handleMouseDown(kKnob, c.buttons);
        rig.frame()->handleMouseMoved(kKnob.offset(c.moveBy.x, c.moveBy.y), c.buttons);
        rig.frame()->handleMouseUp(kKnob.offset(c.moveBy.x, c.moveBy.y), c.buttons);
        EXPECT_NEAR(rig.shell.getParameter(knob), 0.5f + c.change, 1e-6f) << c.buttons;
    }
}

TEST_F(EditorTest, HoverShowsTheValueAndLeavingWithoutDragBringsTheNameBack)
{
    for (const char* name : {"DistXcita", "MasterVolume"}) {
        SCOPED_TRACE(name);
        KnobRig rig;
        const int index = rig.index(name);
        const CPoint at = index == rig.index("DistXcita") ? kKnob : kSlider;
        rig.editor->refreshControls(false);
        rig.editor->setTimer(5000);
        rig.frame()->handleMouseMoved(at, 0);
        EXPECT_TRUE(rig.editor->hasUserChanged());
        EXPECT_EQ(rig.editor->shown, std::vector<int>{index});
        // Only pointing at it: leaving lets the program name return.
        rig.frame()->handleMouseMoved(kAway, 0);
        EXPECT_EQ(rig.editor->timer(), 0);
        // Dragged and released: the read-out stays its time.
        rig.frame()->handleMouseMoved(at, 0);
        rig.editor->setTimer(5000);
        rig.frame()->handleMouseDown(at, kLButton);
        rig.frame()->handleMouseUp(at, kLButton);
        rig.frame()->handleMouseMoved(kAway, 0);
        EXPECT_EQ(rig.editor->timer(), 5000);
    }
}

} // namespace
