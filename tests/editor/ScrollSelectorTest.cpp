// The scroll selector of the test skin ("PanShape", 80 x 24 at (260, 288), arrows 24 wide):
// reading entries from values, the arrows and their auto-repeat, the popup, an empty selector.
#include "EditorTestSupport.h"

#include "editor/ScrollSelector.h"
#include "engine/KsPlugin.h"
#include "platform/gui/COptionMenu.h"

namespace
{

using namespace edtest;

constexpr CPoint kPrevious(262, 300), kNext(338, 300), kMiddle(300, 300);

struct SelectorRig : Rig {
    SelectorRig()
    {
        EXPECT_TRUE(open());
        index = shell.getEngine()->parameterIndex("PanShape");
        selector = dynamic_cast<ScrollSelector*>(editor->getControl(index));
    }
    void click(CPoint where)
    {
        frame()->handleMouseDown(where, kLButton);
        frame()->handleMouseUp(where, kLButton);
    }
    float written() { return shell.getParameter(index); }

    int index = -1;
    ScrollSelector* selector = nullptr;
};

TEST_F(EditorTest, SelectorEntriesFromValues)
{
    SelectorRig rig;
    ASSERT_NE(rig.selector, nullptr);
    EXPECT_EQ(rig.selector->getCapacity(), 100);
    EXPECT_EQ(rig.selector->getArrowWidth(), 24);
    EXPECT_FALSE(rig.selector->setEntryCount(101));
    ASSERT_TRUE(rig.selector->setEntryCount(33));
    struct Case {
        float value;
        int entry;
    };
    const Case cases[] = {
        {0.0f, 0},   {0.01f, 1}, {0.07f, 7}, {0.3199999f, 32}, // 0.0001 is added before truncation
        {0.32f, 32}, {0.5f, 32}, {1.0f, 32},                   // beyond the entries: the last one
    };
    for (const Case& c : cases) {
        rig.selector->setValue(c.value);
        EXPECT_EQ(rig.selector->getCurrentEntry(), c.entry) << c.value;
    }
    rig.selector->selectEntry(40);
    EXPECT_FLOAT_EQ(rig.selector->getValue(), 0.32f);
    rig.selector->selectEntry(-3);
    EXPECT_FLOAT_EQ(rig.selector->getValue(), 0.0f);
}

TEST_F(EditorTest, SelectorArrowsStepWriteAndRepeat)
{
    SelectorRig rig;
    ASSERT_NE(rig.selector, nullptr);
    rig.selector->setEntryCount(33);
    struct Case {
        int from;
        CPoint where;
        int to;
    };
    const Case cases[] = {
        {5, kNext, 6},     {5, kPrevious, 4},  {32, kNext, 32},
        {0, kPrevious, 0}, {5, {339, 289}, 6}, // the arrow reaches the control's last column
    };
    for (const Case& c : cases) {
        rig.selector->selectEntry(c.from);
        rig.click(c.where);
        EXPECT_EQ(rig.selector->getCurrentEntry(), c.to) << c.from;
        EXPECT_FLOAT_EQ(rig.written(), float(c.to) / 100.0f) << c.from;
        EXPECT_EQ(rig.selector->getHeldArrow(), ScrollSelector::kNone);
    }

    // Held for about a second: the first step at once, then one each time more than 333 ms
    // passed (at 334, 668 and 1002 ms).
    rig.selector->selectEntry(32);
    rig.frame()->handleMouseDown(kPrevious, kLButton);
    EXPECT_EQ(rig.selector->getCurrentEntry(), 31);
    for (int ms = 0; ms < 1002; ++ms) {
        rig.backend.advance(1);
        rig.selector->idleTick();
    }
    EXPECT_EQ(rig.selector->getCurrentEntry(), 28);
    EXPECT_FLOAT_EQ(rig.written(), 0.28f);
    // Released: no more steps.
    rig.frame()->handleMouseUp(kPrevious, kLButton);
    rig.backend.advance(5000);
    rig.selector->idleTick();
    EXPECT_EQ(rig.selector->getCurrentEntry(), 28);
}

TEST_F(EditorTest, SelectorPopupListsAndPicks)
{
    SelectorRig rig;
    ASSERT_NE(rig.selector, nullptr);
    rig.selector->setEntryCount(3);
    const char* texts[] = {"Sine", "Triangle", "Ramp Up"};
    for (int k = 0; k < 3; ++k)
        rig.selector->setEntryText(k, texts[k]);
    rig.selector->setEntryText(3, "beyond the count");
    EXPECT_EQ(rig.selector->getEntryText(3), "");
    rig.selector->selectEntry(1);

    std::vector<std::string> listed;
    int checked = -1;
    rig.backend.onMenuOpened = [&](const COptionMenu& menu, CPoint) {
        for (int i = 0; i < menu.getNbEntries(); ++i) {
            listed.push_back(menu.getEntryText(i));
            if (menu.isEntryChecked(i)) checked = i;
        }
    };
    rig.backend.queueMenuAnswer({2});
    rig.click(kMiddle);
    EXPECT_EQ(listed, (std::vector<std::string>{"Sine", "Triangle", "Ramp Up"}));
    EXPECT_EQ(checked, 1);
    EXPECT_EQ(rig.selector->getCurrentEntry(), 2);
    EXPECT_FLOAT_EQ(rig.written(), 0.02f);

    // A cancelled popup changes nothing.
    rig.click(kMiddle);
    EXPECT_EQ(rig.selector->getCurrentEntry(), 2);
}

TEST_F(EditorTest, EmptySelectorShowsNoTextAndSelectsEntryZero)
{
    SelectorRig rig;
    ASSERT_NE(rig.selector, nullptr);
    // Text drawn with the skin font would change pixels right of the previous arrow.
    rig.selector->setEntryCount(1);
    rig.selector->setEntryText(0, "a");
    rig.selector->setEntryCount(0);
    rig.selector->setValue(0.5f);
    rig.frame()->redraw();
    const CColor plain = rig.parent.pixel(290, 300);
    rig.click(kNext);
    EXPECT_EQ(rig.selector->getCurrentEntry(), 0);
    EXPECT_FLOAT_EQ(rig.written(), 0.0f);
    rig.selector->setEntryCount(1);
    rig.frame()->redraw();
    EXPECT_NE(rig.parent.pixel(290, 300), plain);
}

} // namespace
