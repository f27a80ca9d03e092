// The test skin's selector ("PanShape", 80 x 24 at (260, 288), arrows 24 wide).
#include "EditorTestSupport.h"

#include "editor/ScrollSelector.h"
#include "engine/KsPlugin.h"
#include "platform/gui/COptionMenu.h"

namespace
{

using namespace edtest;

constexpr CPoint kPrevious(262, 300), kNext(339, 289), kMiddle(300, 300);

struct SelectorRig : Rig {
    SelectorRig()
    {
        EXPECT_TRUE(open());
        selector = dynamic_cast<ScrollSelector*>(editor->getControl(index));
        EXPECT_NE(selector, nullptr);
    }
    void click(CPoint where)
    {
        frame()->handleMouseDown(where, kLButton);
        frame()->handleMouseUp(where, kLButton);
    }
    float written() { return shell.getParameter(index); }

    int index = shell.getEngine()->parameterIndex("PanShape");
    ScrollSelector* selector = nullptr;
};

TEST_F(EditorTest, SelectorEntriesArrowsAndRepeat)
{
    SelectorRig rig;
    EXPECT_FALSE(rig.selector->setEntryCount(101));
    ASSERT_TRUE(rig.selector->setEntryCount(33));
    // 0.0001 is added before truncation; values beyond the entries show the last one.
    const std::pair<float, int> reads[] = {{0.01f, 1}, {0.3199999f, 32}, {0.5f, 32}, {1.0f, 32}};
    for (const auto& [value, entry] : reads) {
        rig.selector->setValue(value);
        EXPECT_EQ(rig.selector->getCurrentEntry(), entry) << value;
    }
    const std::tuple<int, CPoint, int> clicks[] = {
        {5, kNext, 6}, {5, kPrevious, 4}, {32, kNext, 32}, {0, kPrevious, 0}};
    for (const auto& [from, where, to] : clicks) {
        rig.selector->selectEntry(from);
        rig.click(where);
        EXPECT_FLOAT_EQ(rig.written(), float(to) / 100.0f) << from;
    }
    // Held: one step at once, then one each time more than 333 ms passed (334, 668, 1002 ms).
    rig.selector->selectEntry(32);
    rig.frame()->handleMouseDown(kPrevious, kLButton);
    for (int ms = 0; ms < 1002; ++ms) {
        rig.backend.advance(1);
        rig.selector->idleTick();
    }
    EXPECT_FLOAT_EQ(rig.written(), 0.28f);
    rig.frame()->handleMouseUp(kPrevious, kLButton);
    rig.backend.advance(5000);
    rig.selector->idleTick();
    EXPECT_EQ(rig.selector->getCurrentEntry(), 28);
}

TEST_F(EditorTest, SelectorPopupAndEmptySelector)
{
    SelectorRig rig;
    rig.selector->setEntryCount(3);
    for (int k = 0; k < 4; ++k) // the fourth is beyond the count and ignored
        rig.selector->setEntryText(k, std::string(1, char('a' + k)).c_str());
    EXPECT_EQ(rig.selector->getEntryText(3), "");
    rig.selector->selectEntry(1);
    std::string listed;
    rig.backend.onMenuOpened = [&](const COptionMenu& menu, CPoint) {
        for (int i = 0; i < menu.getNbEntries(); ++i)
            listed += menu.getEntryText(i) + (menu.isEntryChecked(i) ? "*" : "");
    };
    rig.backend.queueMenuAnswer({2});
    rig.click(kMiddle);
    rig.click(kMiddle);            // cancelled: nothing changes
    EXPECT_EQ(listed, "ab*cabc*"); // the current entry is checked
    EXPECT_FLOAT_EQ(rig.written(), 0.02f);

    // Without entries the arrows pick entry 0.
    rig.selector->setEntryCount(0);
    rig.click(kNext);
    EXPECT_FLOAT_EQ(rig.written(), 0.0f);
}

} // namespace
