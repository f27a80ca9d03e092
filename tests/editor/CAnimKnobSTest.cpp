// The test skin's knob ("DistXcita", centred at (100, 100)) and slider ("MasterVolume", over
// (188, 93)-(212, 187)): context menus, the fine drag and the hover read-out.
#include "EditorTestSupport.h"

#include "engine/KsPlugin.h"
#include "platform/gui/COptionMenu.h"

namespace
{

using namespace edtest;

constexpr CPoint kKnob(100, 100), kSlider(200, 140), kAway(5, 395);

// An editor that records the read-outs asked of it and shows the test its text timer.
class ReadoutEditor : public KsEditor
{
  public:
    using KsEditor::KsEditor;
    void showParameterValue(int tag) override { shown.push_back(tag); }
    int& timer() { return textTimer; }
    std::vector<int> shown;
};

struct ReadoutShell : OrvaneVST {
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
    void click(CPoint at, int buttons, CPoint moveBy = {})
    {
        editor->getFrame()->handleMouseDown(at, buttons);
        editor->getFrame()->handleMouseMoved(at.offset(moveBy.x, moveBy.y), buttons);
        editor->getFrame()->handleMouseUp(at.offset(moveBy.x, moveBy.y), buttons);
    }

    gui::HeadlessBackend backend;
    gui::HeadlessParent parent;
    ReadoutShell shell;
    ReadoutEditor* editor = shell.editor;
};

TEST_F(EditorTest, KnobAndSliderMenusAndFineDrag)
{
    KnobRig rig;
    const int knob = rig.index("DistXcita"), slider = rig.index("MasterVolume");
    struct Case {
        CPoint at;
        int buttons;
        std::vector<int> answer;
        std::string entries; // the menu's entries and tag
        int learnTarget;
        CKnobMode mode;
    };
    const Case cases[] = {
        {kKnob, kRButton, {0}, "Midi Learn|Linear|Circular|364", knob, kLinearMode},
        {kKnob, kLButton | kCommand, {2}, "Midi Learn|Linear|Circular|364", -1, kCircularMode},
        {kKnob, kRButton, {}, "Midi Learn|Linear|Circular|364", -1, kCircularMode}, // cancelled
        {kKnob, kRButton, {1}, "Midi Learn|Linear|Circular|364", -1, kLinearMode},
        {kSlider, kRButton, {0}, "Midi Learn|" + std::to_string(slider), slider, kLinearMode},
    };
    const float before = rig.shell.getParameter(knob);
    for (const Case& c : cases) {
        rig.shell.getEngine()->setLearnTarget(-1);
        std::string listed;
        rig.backend.onMenuOpened = [&](const COptionMenu& menu, CPoint) {
            for (int i = 0; i < menu.getNbEntries(); ++i)
                listed += menu.getEntryText(i) + "|";
            listed += std::to_string(menu.getTag());
        };
        rig.backend.queueMenuAnswer(c.answer);
        rig.click(c.at, c.buttons);
        EXPECT_EQ(listed, c.entries);
        EXPECT_EQ(rig.shell.getEngine()->learnTarget.load(), c.learnTarget) << c.entries;
        EXPECT_EQ(rig.editor->getFrame()->getKnobMode(), c.mode) << c.entries;
    }
    EXPECT_FLOAT_EQ(rig.shell.getParameter(knob), before);
    // Shift drags 4000 pixels over the range: 40 to the right and 20 down move it by 0.005.
    rig.editor->getControl(knob)->setValue(0.5f);
    rig.click(kKnob, kLButton | kShift, {40, 20});
    EXPECT_NEAR(rig.shell.getParameter(knob), 0.505f, 1e-6f);
}

TEST_F(EditorTest, HoverShowsTheValueAndLeavingWithoutDragBringsTheNameBack)
{
    KnobRig rig;
    for (const char* name : {"DistXcita", "MasterVolume"}) {
        const int index = rig.index(name);
        const CPoint at = index == rig.index("DistXcita") ? kKnob : kSlider;
        rig.editor->refreshControls(false);
        rig.editor->shown.clear();
        rig.editor->timer() = 5000;
        rig.editor->getFrame()->handleMouseMoved(at, 0);
        EXPECT_TRUE(rig.editor->hasUserChanged()) << name;
        EXPECT_EQ(rig.editor->shown, std::vector<int>{index}) << name;
        // Only pointed at: leaving lets the program name return.
        rig.editor->getFrame()->handleMouseMoved(kAway, 0);
        EXPECT_EQ(rig.editor->timer(), 0) << name;
        // Pressed and released: the read-out keeps its time.
        rig.editor->getFrame()->handleMouseMoved(at, 0);
        rig.editor->timer() = 5000;
        rig.click(at, kLButton);
        rig.editor->getFrame()->handleMouseMoved(kAway, 0);
        EXPECT_EQ(rig.editor->timer(), 5000) << name;
    }
}

} // namespace
