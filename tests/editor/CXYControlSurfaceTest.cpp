// The XY pad on the headless back end: mapping and limits, edit gestures, MIDI learn, drawing.
#include "EditorTestSupport.h"

#include "editor/CXYControlSurface.h"
#include "engine/KsPlugin.h"
#include "platform/gui/COptionMenu.h"

#include <vector>

namespace
{

using namespace edtest;

std::vector<std::vector<int>>* hostEvents = nullptr; // {opcode, index}

VstIntPtr recordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float)
{
    if (hostEvents &&
        (opcode == audioMasterAutomate || opcode == audioMasterBeginEdit || opcode == audioMasterEndEdit))
        hostEvents->push_back({opcode, index});
    return 0;
}

// A 128-pixel pad at (100, 100): its inner square runs from 104 to 224.
constexpr CRect kPad(100, 100, 228, 228);
constexpr CColor kPadColour{10, 20, 30, 255}, kCursorColour{250, 250, 0, 255}, kLine{0, 255, 0, 255};

class XYPad : public EditorTest
{
  protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        hostEvents = &events;
        rig = std::make_unique<Rig>(&recordingHost);
        ASSERT_TRUE(rig->open());
        engine = rig->shell.getEngine();
        padImage =
            std::make_unique<CBitmap>(solid(128, 128, kPadColour.red, kPadColour.green, kPadColour.blue));
        cursorImage = std::make_unique<CBitmap>(solid(9, 9, kCursorColour.red, kCursorColour.green, 0));
        pad = new CXYControlSurface(kPad, rig->editor, engine->parameterIndex("MorphSquare"), padImage.get(),
                                    cursorImage.get(), kLine, engine, 40, 41);
        x = engine->parameterIndex("MmFilterCutoff");
        y = engine->parameterIndex("MmFilterRes");
        pad->setXTarget(x);
        pad->setYTarget(y);
        rig->editor->getMainContainer()->addView(pad);
        events.clear();
    }
    void TearDown() override
    {
        rig.reset();
        hostEvents = nullptr;
        EditorTest::TearDown();
    }
    void drag(const std::vector<CPoint>& path, int buttons = kLButton)
    {
        rig->frame()->handleMouseDown(path.front(), buttons);
        for (const CPoint& p : path)
            rig->frame()->handleMouseMoved(p, buttons);
        rig->frame()->handleMouseUp(path.back(), buttons);
    }

    std::vector<std::vector<int>> events;
    std::unique_ptr<Rig> rig;
    KsPlugin* engine = nullptr;
    std::unique_ptr<CBitmap> padImage, cursorImage;
    CXYControlSurface* pad = nullptr;
    int x = 0, y = 0;
};

TEST_F(XYPad, PointsMapToBothTargetsWithinTheirRange)
{
    struct Case {
        std::vector<CPoint> path;
        float x, y;
    };
    const Case cases[] = {
        {{{104, 104}}, 0.0f, 1.0f},
        {{{224, 224}}, 1.0f, 0.0f},
        {{{164, 134}}, 0.5f, 0.75f},
        {{{101, 226}}, 0.0f, 0.0f},
        {{{164, 164}, {-300, 900}}, 0.0f, 0.0f},
        {{{164, 164}, {900, -300}}, 1.0f, 1.0f},
    };
    for (const Case& c : cases) {
        drag(c.path);
        EXPECT_FLOAT_EQ(engine->getParameter(x), c.x) << c.path.back().x << ", " << c.path.back().y;
        EXPECT_FLOAT_EQ(engine->getParameter(y), c.y) << c.path.back().x << ", " << c.path.back().y;
    }
    // One gesture for the pad and both targets; the targets are written without telling the host
    // (the listener tells it: the base editor writes the pad's own parameter).
    events.clear();
    drag({{150, 150}, {160, 150}});
    const int square = engine->parameterIndex("MorphSquare");
    ASSERT_GE(events.size(), 6u);
    EXPECT_EQ(std::vector(events.begin(), events.begin() + 3),
              (std::vector<std::vector<int>>{
                  {audioMasterBeginEdit, square}, {audioMasterBeginEdit, x}, {audioMasterBeginEdit, y}}));
    EXPECT_EQ(std::vector(events.end() - 3, events.end()),
              (std::vector<std::vector<int>>{
                  {audioMasterEndEdit, x}, {audioMasterEndEdit, y}, {audioMasterEndEdit, square}}));
    for (const auto& e : events)
        EXPECT_FALSE(e[0] == audioMasterAutomate && (e[1] == x || e[1] == y));
}

TEST_F(XYPad, LearnMenuArmsTheAxisParameterAndKeepsTheValue)
{
    struct Case {
        int buttons;
        std::vector<int> answer;
        int learnt;
    };
    const Case cases[] = {
        {kRButton, {1}, 41}, {kRButton, {0}, 40}, {kLButton | kCommand, {1}, 41}, {kRButton, {}, -1}};
    std::vector<std::string> texts;
    rig->backend.onMenuOpened = [&](const COptionMenu& m, CPoint) {
        texts = {m.getEntryText(0), m.getEntryText(1)};
    };
    for (const Case& c : cases) {
        engine->setLearnTarget(-1);
        pad->setValue(0.3f);
        const float before = engine->getParameter(x);
        rig->backend.queueMenuAnswer(c.answer);
        drag({{150, 150}}, c.buttons);
        EXPECT_EQ(engine->learnTarget.load(), c.learnt);
        EXPECT_FLOAT_EQ(pad->getValue(), 0.3f);
        EXPECT_FLOAT_EQ(engine->getParameter(x), before) << "the menu press writes no target";
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"Midi Learn X", "Midi Learn Y"}));
}

TEST_F(XYPad, DrawsTheCursorAndLinesWhereTheTargetsStand)
{
    engine->setParameter(x, 0.25f);
    engine->setParameter(y, 0.75f);
    const int yAlt = engine->parameterIndex("DelayMix");
    engine->setParameter(yAlt, 0.0f);
    rig->frame()->redraw();
    const auto& shown = rig->parent;
    // cx = 120 * 0.25, cy = 120 * (1 - 0.75): the 9 x 9 cursor's corner at (130, 130).
    EXPECT_EQ(shown.pixel(130, 130), kCursorColour);
    EXPECT_EQ(shown.pixel(138, 138), kCursorColour);
    EXPECT_EQ(shown.pixel(139, 137), kPadColour);
    EXPECT_EQ(shown.pixel(129, 133), kPadColour);
    // Lines from the cursor's centre (134, 134) to the corners (101, 101) and (228, 228).
    EXPECT_NE(shown.pixel(117, 117), kPadColour);
    EXPECT_NE(shown.pixel(180, 180), kPadColour);
    EXPECT_EQ(shown.pixel(117, 150), kPadColour);

    // Another Y target moves the cursor to that parameter's value and writes nothing.
    std::vector<float> before;
    for (int i = 0; i < engine->parameterCount; ++i)
        before.push_back(engine->getParameter(i));
    events.clear();
    pad->setYTarget(yAlt);
    rig->frame()->redrawDirty();
    EXPECT_EQ(shown.pixel(130, 220), kCursorColour);
    EXPECT_EQ(shown.pixel(130, 130), kPadColour);
    for (int i = 0; i < engine->parameterCount; ++i)
        EXPECT_EQ(engine->getParameter(i), before[static_cast<std::size_t>(i)]) << i;
    EXPECT_TRUE(events.empty());
}

} // namespace
