// Controls that act on a press: the switch-on button, the radio group and the web link.
#include "EditorTestSupport.h"

#include "editor/CRadioGroup.h"
#include "editor/OnButton.h"
#include "editor/WebLink.h"
#include "engine/KsPlugin.h"

namespace
{

using namespace edtest;

// Counts what a control tells it (begin, change, end as one string); may take modifier clicks.
struct Listener : CControlListener {
    void valueChanged(CControl*) override { told += "c"; }
    void controlBeginEdit(CControl*) override { told += "b"; }
    void controlEndEdit(CControl*) override { told += "e"; }
    bool controlModifierClicked(CControl*, int) override { return told += "m", takeModifierClicks; }
    std::string told;
    bool takeModifierClicks = false;
};

TEST(OnButtonTest, SwitchesOnOnlyAndOffersModifierClicks)
{
    const std::tuple<int, bool, float, float, const char*> cases[] = {
        // buttons, listener takes modifier clicks, value before, after, what the listener heard
        {kLButton, false, 0, 1, "bce"},
        {kLButton, false, 1, 1, "bce"},
        {kRButton, false, 0, 0, ""},
        {kLButton | kShift, false, 0, 1, "mbce"},
        {kLButton | kCommand, true, 0, 0, "m"},
    };
    for (const auto& [buttons, take, from, to, told] : cases) {
        Listener listener;
        listener.takeModifierClicks = take;
        OnButton button(CRect(0, 0, 30, 20), &listener, 7, nullptr);
        button.setValue(from);
        CPoint where(5, 5);
        button.onMouseDown(where, buttons);
        EXPECT_EQ(button.getValue(), to) << buttons;
        EXPECT_EQ(listener.told, told) << buttons;
    }
}

TEST(RadioGroupTest, FirstButtonHitIsChosenAndDrawnSelected)
{
    // Two-frame images: the upper frame dark, the lower frame (the selected look) white.
    gui::RgbaImage image = solid(19, 24, 0, 0, 0);
    std::fill(image.pixels.begin() + 19 * 12 * 4, image.pixels.end(), 255);
    const CBitmap button(image);
    const std::tuple<int, int, float, CPoint, float> cases[] = {
        // x and y spacing, value before, the press, value after
        {19, 0, 0.03f, {119, 55}, 0.0f},  // the shared edge: the lower-numbered button
        {19, 0, 0.0f, {120, 55}, 0.01f},  // button 1 writes 0.01
        {19, 0, 0.0f, {252, 62}, 0.07f},  // the last button's corner
        {19, 0, 0.02f, {120, 63}, 0.02f}, // below every button
        {0, 12, 0.01f, {110, 62}, 0.0f},  // stacked: the shared edge
        {0, 12, 0.0f, {110, 63}, 0.01f},
    };
    for (const auto& [dx, dy, from, where, to] : cases) {
        Listener listener;
        CRadioGroup group(CRect(100, 50, 260, 80), &listener, 353, dy ? 2 : 8, dx, dy);
        for (int i = 0; i < 10; ++i) // bitmaps beyond the button count are ignored
            group.addButtonBitmap(&button);
        group.setValue(from);
        CPoint at = where;
        EXPECT_EQ(group.onMouseDown(at, kLButton), kMouseEventHandled);
        EXPECT_FLOAT_EQ(group.getValue(), to) << where.x << "," << where.y;
        EXPECT_EQ(listener.told, from == to ? "" : "c") << where.x << "," << where.y;
        COffscreenContext context(300, 100);
        group.draw(context);
        for (int i = 0; i < group.getButtonCount(); ++i) {
            const CRect r = group.buttonRect(i);
            EXPECT_EQ(context.getBitmap().getPixel(r.left + 1, r.top + 1).red,
                      i == group.getSelected() ? 255 : 0);
        }
        EXPECT_TRUE(group.buttonRect(group.getButtonCount()).isEmpty());
    }
}

TEST_F(EditorTest, WebLinkOpensTheMakersSite)
{
    Rig rig;
    ASSERT_TRUE(rig.open());
    for (int buttons : {kLButton, kRButton, kMButton}) {
        rig.frame()->handleMouseDown({430, 310}, buttons);
        rig.frame()->handleMouseUp({430, 310}, buttons);
    }
    EXPECT_EQ(rig.backend.openedUrls(),
              (std::vector<std::string>{KsEditor::kMakerWebSite, KsEditor::kMakerWebSite}));
    WebLink link(CRect(0, 0, 10, 10), nullptr, 0, nullptr);
    link.setUrl(std::string(600, 'x').c_str());
    EXPECT_EQ(link.getUrl().size(), WebLink::kMaxUrl);
}

} // namespace
