// Knob and kick button: what they draw for a value and what a gesture does to it.
#include "GuiTestSupport.h"

#include "platform/gui/CAnimKnob.h"
#include "platform/gui/CKickButton.h"

#include <gtest/gtest.h>

using namespace guitest;

namespace
{

// A strip of frames of 10 x 10 pixels, frame k filled with red 40 * k + 10.
CColor stripColor(int frame)
{
    return {uint8_t(40 * frame + 10), 20, 30, 255};
}

std::unique_ptr<CBitmap> knobStrip(int frames)
{
    return std::make_unique<CBitmap>(
        makeImage(10, 10 * frames, [](int, int y) { return stripColor(y / 10); }));
}

// Two images stacked: normal on top, pressed below.
std::unique_ptr<CBitmap> twoStateBitmap()
{
    return std::make_unique<CBitmap>(makeImage(8, 16, [](int, int y) {
        return y < 8 ? CColor{0, 0, 0, 255} : CColor{255, 255, 255, 255};
    }));
}

} // namespace

TEST(CAnimKnob, DrawsTheFrameForItsValue)
{
    HeadlessFrame h;
    const auto strip = knobStrip(5);
    auto* knob = new CAnimKnob(CRect(20, 30, 30, 40), nullptr, 1, 5, 10, strip.get());
    h.frame->addView(knob);
    // frame = floor(value * 4 * 10 / 10) in whole pixels
    const std::vector<std::pair<float, int>> cases = {
        {0.24f, 0}, {0.25f, 1}, {0.99f, 3}, {1.0f, 4}, {-3.0f, 0}, {7.0f, 4},
    };
    for (const auto& [value, frame] : cases) {
        SCOPED_TRACE(value);
        knob->setValue(value);
        knob->setDirty();
        h.frame->redrawDirty();
        EXPECT_EQ(h.at(20, 30), stripColor(frame));
        EXPECT_EQ(h.at(29, 39), stripColor(frame));
        EXPECT_EQ(h.at(30, 40), HeadlessFrame::kGrey);
    }
}

TEST(CAnimKnob, DragsLinearlyFinelyAndCircularly)
{
    // What, buttons held, where the drag from the centre (50, 50) ends, the frame's knob mode, value after.
    const std::tuple<const char*, int, CPoint, CKnobMode, float> cases[] = {
        {"up 20", kLButton, {50, 30}, kLinearMode, 0.6f},
        {"far up is the maximum", kLButton, {50, -500}, kLinearMode, 1.0f},
        {"fine: up 40 of 4000", kLButton | kShift, {50, 10}, kLinearMode, 0.51f},
        {"circular: straight up", kLButton, {50, 0}, kCircularMode, 0.5f},
        {"alt makes a linear knob circular", kLButton | kAlt, {50, 0}, kLinearMode, 0.5f},
        {"alt makes a circular knob linear", kLButton | kAlt, {50, 30}, kCircularMode, 0.6f},
    };
    const auto strip = knobStrip(5);
    for (const auto& [name, buttons, to, mode, expected] : cases) {
        SCOPED_TRACE(name);
        HeadlessFrame h;
        RecordingListener listener;
        auto* knob = new CAnimKnob(CRect(40, 40, 61, 61), &listener, 7, 5, 10, strip.get());
        knob->setFineFactor(20);
        knob->setValue(0.5f);
        h.frame->addView(knob);
        h.frame->setKnobMode(mode);
        h.frame->handleMouseDown({50, 50}, buttons);
        h.frame->handleMouseMoved(to, buttons);
        h.frame->handleMouseUp(to, 0);
        EXPECT_NEAR(knob->getValue(), expected, 1e-5);
        ASSERT_GE(listener.events.size(), 2u);
        EXPECT_EQ(listener.events.front(), "begin");
        EXPECT_EQ(listener.events.back(), "end");
        EXPECT_FALSE(knob->isEditing());
    }
}

TEST(CAnimKnob, TheDefaultValueGestureResetsAndEndsTheEdit)
{
    HeadlessFrame h;
    RecordingListener listener;
    const auto strip = knobStrip(5);
    auto* knob = new CAnimKnob(CRect(40, 40, 60, 60), &listener, 7, 5, 10, strip.get());
    knob->setDefaultValue(0.25f);
    knob->setValue(0.9f);
    h.frame->addView(knob);
    h.frame->handleMouseDown({50, 50}, kLButton | kControl);
    h.frame->handleMouseMoved({50, 0}, kLButton | kControl); // no drag follows the gesture
    h.frame->handleMouseUp({50, 0}, 0);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.25f);
    EXPECT_EQ(listener.events, (std::vector<std::string>{"begin", "change", "end"}));
}

TEST(Buttons, AKickButtonIsOnOnlyWhileHeldOverIt)
{
    HeadlessFrame h;
    RecordingListener listener;
    const auto bitmap = twoStateBitmap();
    h.frame->addView(new CKickButton(CRect(50, 50, 58, 58), &listener, 4, bitmap.get()));
    h.frame->handleMouseDown({52, 52}, kLButton);
    h.frame->redrawDirty();
    EXPECT_EQ(h.at(54, 54), (CColor{255, 255, 255, 255}));
    h.frame->handleMouseMoved({90, 90}, kLButton);
    h.frame->handleMouseMoved({53, 53}, kLButton);
    h.frame->handleMouseUp({53, 53}, 0);
    h.frame->redrawDirty();
    EXPECT_EQ(h.at(54, 54), (CColor{0, 0, 0, 255}));
    EXPECT_EQ(listener.values, (std::vector<float>{1.0f, 0.0f, 1.0f, 0.0f}));
    EXPECT_EQ(listener.events.front(), "begin");
    EXPECT_EQ(listener.events.back(), "end");
}
