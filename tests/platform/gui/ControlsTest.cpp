// Knob, slider and buttons: what they draw for a value and what a gesture does to it.
#include "GuiTestSupport.h"

#include "platform/gui/CAnimKnob.h"
#include "platform/gui/CKickButton.h"
#include "platform/gui/COnOffButton.h"
#include "platform/gui/CVerticalSlider.h"

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

// Two images stacked: off (or normal) on top, on (or pressed) below.
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
        {0.0f, 0},  {0.24f, 0}, {0.25f, 1}, {0.5f, 2}, {0.74f, 2},
        {0.99f, 3}, {1.0f, 4},  {-3.0f, 0}, {7.0f, 4},
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
        {"up 20 and right 20", kLButton, {70, 30}, kLinearMode, 0.7f},
        {"down 40 and right 10", kLButton, {60, 90}, kLinearMode, 0.35f},
        {"far up is the maximum", kLButton, {50, -500}, kLinearMode, 1.0f},
        {"fine: up 40 of 4000", kLButton | kShift, {50, 10}, kLinearMode, 0.51f},
        {"circular: straight up", kLButton, {50, 0}, kCircularMode, 0.5f},
        {"circular: to the left", kLButton, {0, 50}, kCircularMode, 1.0f / 6},
        {"circular: lower left end", kLButton, {20, 80}, kCircularMode, 0.0f},
        {"circular: lower right end", kLButton, {80, 80}, kCircularMode, 1.0f},
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

    listener.events.clear();
    h.frame->handleMouseDown({50, 50}, kRButton); // the plain knob leaves other buttons alone
    EXPECT_TRUE(listener.events.empty());
    EXPECT_FALSE(h.frame->isMouseCaptured());
}

TEST(CAnimKnob, CircularAngleCoversTheDialClockwise)
{
    const CPoint c(0, 0);
    const std::vector<std::pair<CPoint, float>> cases = {
        {{-10, 10}, 0.0f}, {{-10, 0}, 1.0f / 6},  {{-10, -10}, 1.0f / 3},
        {{0, -10}, 0.5f},  {{10, -10}, 2.0f / 3}, {{10, 0}, 5.0f / 6},
        {{10, 10}, 1.0f},  {{-1, 10}, 0.0f},      {{1, 10}, 1.0f},
    };
    for (const auto& [where, value] : cases) {
        SCOPED_TRACE(std::to_string(where.x) + "," + std::to_string(where.y));
        EXPECT_NEAR(CAnimKnob::valueFromAngle(c, where, 0.3f), value, 1e-6);
    }
    EXPECT_FLOAT_EQ(CAnimKnob::valueFromAngle(c, c, 0.3f), 0.3f); // no angle at the centre
}

TEST(CVerticalSlider, HandleFollowsTheValueAndTheDrag)
{
    HeadlessFrame h;
    RecordingListener listener;
    const auto handle = solidBitmap(20, 10, {250, 250, 0, 255});
    auto* slider = new CVerticalSlider(CRect(10, 5, 30, 115), &listener, 3, 100, handle.get(), nullptr);
    h.frame->addView(slider);

    for (const auto& [value, top] : {std::pair{0.0f, 105}, {1.0f, 5}, {0.5f, 55}, {0.333f, 72}}) {
        slider->setValue(value);
        EXPECT_EQ(slider->handleRect(), CRect(10, top, 30, top + 10)) << value;
    }
    slider->setValue(0.5f);
    h.frame->redrawDirty();
    EXPECT_EQ(h.at(15, 55), (CColor{250, 250, 0, 255}));
    EXPECT_EQ(h.at(15, 54), HeadlessFrame::kGrey);

    // What, pressed at y0, released at y1, buttons, value after.
    const std::tuple<const char*, int, int, int, float> drags[] = {
        {"grab the handle and move up 10", 58, 48, kLButton, 0.6f},
        {"press above the handle centres it there", 20, 20, kLButton, 0.9f},
        {"press then drag past the end", 60, 400, kLButton, 0.0f},
        {"fine: 10 pixels count as one", 58, 48, kLButton | kShift, 0.51f},
    };
    slider->setFineFactor(10);
    for (const auto& [name, y0, y1, buttons, expected] : drags) {
        SCOPED_TRACE(name);
        slider->setValue(0.5f);
        listener.events.clear();
        h.frame->handleMouseDown({20, y0}, buttons);
        h.frame->handleMouseMoved({20, y1}, buttons);
        h.frame->handleMouseUp({20, y1}, 0);
        EXPECT_NEAR(slider->getValue(), expected, 1e-5);
        EXPECT_EQ(listener.events.front(), "begin");
        EXPECT_EQ(listener.events.back(), "end");
    }
}

TEST(Buttons, AnOnOffButtonTogglesOnALeftPressAKickButtonIsOnOnlyWhileHeldOverIt)
{
    HeadlessFrame h;
    RecordingListener listener;
    const auto bitmap = twoStateBitmap();
    auto* button = new COnOffButton(CRect(50, 50, 58, 58), &listener, 4, bitmap.get());
    h.frame->addView(button);
    h.frame->redrawDirty();
    EXPECT_EQ(h.at(54, 54), (CColor{0, 0, 0, 255}));
    h.frame->handleMouseDown({54, 54}, kLButton);
    h.frame->handleMouseUp({54, 54}, 0);
    EXPECT_FLOAT_EQ(button->getValue(), 1.0f);
    EXPECT_EQ(listener.events, (std::vector<std::string>{"begin", "change", "end"}));
    h.frame->redrawDirty();
    EXPECT_EQ(h.at(54, 54), (CColor{255, 255, 255, 255}));
    EXPECT_EQ(h.at(57, 57), (CColor{255, 255, 255, 255}));
    h.frame->handleMouseDown({54, 54}, kRButton); // not handled: no change
    EXPECT_FLOAT_EQ(button->getValue(), 1.0f);
    h.frame->handleMouseDown({54, 54}, kLButton);
    h.frame->handleMouseUp({54, 54}, 0);
    EXPECT_FLOAT_EQ(button->getValue(), 0.0f);

    h.frame->removeView(button);
    listener.events.clear();
    listener.values.clear();
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
