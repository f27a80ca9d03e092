// The editor's own controls: knob and slider menus and read-outs, the selector, the switch-on button,
// the radio group, the web link, the bitmap-font text display and the level meters.
#include "EditorTestSupport.h"

#include "editor/CRadioGroup.h"
#include "editor/OnButton.h"
#include "editor/ScrollSelector.h"
#include "editor/TextDisplay.h"
#include "editor/VuMeterS.h"
#include "editor/WebLink.h"
#include "engine/KsPlugin.h"

#include <cmath>

namespace
{

using namespace edtest;

constexpr CColor kClear{0, 0, 0, 0}, kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255};
// In the test skin: the knob "DistXcita", the slider "MasterVolume", the selector "PanShape"
// (80 x 24 at (260, 288), arrows 24 wide), and a point over no control.
constexpr CPoint kKnob(100, 100), kSlider(200, 140), kAway(5, 395), kPrevious(262, 300), kNext(339, 289),
    kMiddle(300, 300);

// An editor that records the read-outs asked of it and shows the test its text timer.
struct ReadoutEditor : KsEditor {
    using KsEditor::KsEditor;
    void showParameterValue(int tag) override { shown.push_back(tag); }
    int& timer() { return textTimer; }
    std::vector<int> shown;
};

struct ReadoutRig : EditorRig<ReadoutEditor> {
    ReadoutRig() { EXPECT_TRUE(open()); }
};

TEST_F(EditorTest, KnobAndSliderMenusAndFineDrag)
{
    ReadoutRig rig;
    const int knob = rig.index("DistXcita"), slider = rig.index("MasterVolume");
    const std::string knobMenu = "Midi Learn|Linear|Circular|364";
    const std::tuple<CPoint, int, std::vector<int>, std::string, int, CKnobMode> cases[] = {
        // where, buttons, the menu's answer, its entries and tag, the learn target, the knob mode after
        {kKnob, kRButton, {0}, knobMenu, knob, kLinearMode},
        {kKnob, kLButton | kCommand, {2}, knobMenu, -1, kCircularMode},
        {kKnob, kRButton, {}, knobMenu, -1, kCircularMode}, // cancelled
        {kKnob, kRButton, {1}, knobMenu, -1, kLinearMode},
        {kSlider, kRButton, {0}, "Midi Learn|" + std::to_string(slider), slider, kLinearMode},
    };
    const float before = rig.shell.getParameter(knob);
    for (const auto& [at, buttons, answer, entries, learnTarget, mode] : cases) {
        SCOPED_TRACE(entries);
        rig.shell.getEngine()->setLearnTarget(-1);
        std::string listed;
        rig.backend.onMenuOpened = [&](const COptionMenu& menu, CPoint) {
            listed = joined(shownEntries(menu)) + "|" + std::to_string(menu.getTag());
        };
        rig.backend.queueMenuAnswer(answer);
        click(*rig.frame(), at, buttons);
        EXPECT_EQ(listed, entries);
        EXPECT_EQ(rig.shell.getEngine()->learnTarget.load(), learnTarget);
        EXPECT_EQ(rig.frame()->getKnobMode(), mode);
    }
    EXPECT_FLOAT_EQ(rig.shell.getParameter(knob), before);
    // Shift drags 4000 pixels over the range: 40 to the right and 20 down move it by 0.005.
    rig.editor->getControl(knob)->setValue(0.5f);
    rig.frame()->handleMouseDown(kKnob, kLButton | kShift);
    rig.frame()->handleMouseMoved({140, 120}, kLButton | kShift);
    rig.frame()->handleMouseUp({140, 120}, kLButton | kShift);
    EXPECT_NEAR(rig.shell.getParameter(knob), 0.505f, 1e-6f);
}

TEST_F(EditorTest, HoverShowsTheValueAndLeavingWithoutDragBringsTheNameBack)
{
    ReadoutRig rig;
    for (const auto& [name, at] : {std::pair{"DistXcita", kKnob}, std::pair{"MasterVolume", kSlider}}) {
        SCOPED_TRACE(name);
        rig.editor->refreshControls(false);
        rig.editor->shown.clear();
        rig.editor->timer() = 5000;
        rig.frame()->handleMouseMoved(at, 0);
        EXPECT_TRUE(rig.editor->hasUserChanged());
        EXPECT_EQ(rig.editor->shown, std::vector<int>{rig.index(name)});
        rig.frame()->handleMouseMoved(kAway, 0); // only pointed at: leaving lets the program name return
        EXPECT_EQ(rig.editor->timer(), 0);
        rig.frame()->handleMouseMoved(at, 0); // pressed and released: the read-out keeps its time
        rig.editor->timer() = 5000;
        click(*rig.frame(), at);
        rig.frame()->handleMouseMoved(kAway, 0);
        EXPECT_EQ(rig.editor->timer(), 5000);
    }
}

TEST_F(EditorTest, SelectorEntriesArrowsRepeatAndPopup)
{
    ReadoutRig rig;
    const int index = rig.index("PanShape");
    auto* selector = dynamic_cast<ScrollSelector*>(rig.editor->getControl(index));
    ASSERT_NE(selector, nullptr);
    EXPECT_FALSE(selector->setEntryCount(101));
    ASSERT_TRUE(selector->setEntryCount(33));
    // 0.0001 is added before truncation; values beyond the entries show the last one.
    for (const auto& [value, entry] : {std::pair{0.01f, 1}, {0.3199999f, 32}, {1.0f, 32}}) {
        selector->setValue(value);
        EXPECT_EQ(selector->getCurrentEntry(), entry) << value;
    }
    for (const auto& [from, where, to] : {std::tuple{5, kPrevious, 4}, {32, kNext, 32}, {0, kPrevious, 0}}) {
        selector->selectEntry(from);
        click(*rig.frame(), where);
        EXPECT_FLOAT_EQ(rig.shell.getParameter(index), float(to) / 100.0f) << from;
    }
    // Held: one step at once, then one each time more than 333 ms passed (334, 668, 1002 ms).
    selector->selectEntry(32);
    rig.frame()->handleMouseDown(kPrevious, kLButton);
    for (int ms = 0; ms < 1002; ++ms) {
        rig.backend.advance(1);
        selector->idleTick();
    }
    EXPECT_FLOAT_EQ(rig.shell.getParameter(index), 0.28f);
    rig.frame()->handleMouseUp(kPrevious, kLButton);
    rig.backend.advance(5000);
    selector->idleTick();
    EXPECT_EQ(selector->getCurrentEntry(), 28);

    // The popup lists the entries (texts beyond the count are ignored) with the current one checked.
    selector->setEntryCount(3);
    for (int k = 0; k < 4; ++k)
        selector->setEntryText(k, std::string(1, char('a' + k)).c_str());
    EXPECT_EQ(selector->getEntryText(3), "");
    selector->selectEntry(1);
    std::string listed;
    rig.backend.onMenuOpened = [&](const COptionMenu& menu, CPoint) {
        listed += joined(shownEntries(menu)) + ";";
    };
    rig.backend.queueMenuAnswer({2});
    click(*rig.frame(), kMiddle);
    click(*rig.frame(), kMiddle); // cancelled: nothing changes
    EXPECT_EQ(listed, "a|[x]b|c;a|b|[x]c;");
    EXPECT_FLOAT_EQ(rig.shell.getParameter(index), 0.02f);
    selector->setEntryCount(0); // without entries the arrows pick entry 0
    click(*rig.frame(), kNext);
    EXPECT_FLOAT_EQ(rig.shell.getParameter(index), 0.0f);
}

// Tells what a control tells it (begin, change, end as one string); may take modifier clicks.
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
        {19, 0, 0.0f, {252, 62}, 0.07f},  // the last button's corner
        {19, 0, 0.02f, {120, 63}, 0.02f}, // below every button
        {0, 12, 0.0f, {110, 63}, 0.01f},  // stacked: past the shared edge
    };
    for (const auto& [dx, dy, from, where, to] : cases) {
        SCOPED_TRACE(std::to_string(where.x) + "," + std::to_string(where.y));
        Listener listener;
        CRadioGroup group(CRect(100, 50, 260, 80), &listener, 353, dy ? 2 : 8, dx, dy);
        for (int i = 0; i < 10; ++i) // bitmaps beyond the button count are ignored
            group.addButtonBitmap(&button);
        group.setValue(from);
        CPoint at = where;
        EXPECT_EQ(group.onMouseDown(at, kLButton), kMouseEventHandled);
        EXPECT_FLOAT_EQ(group.getValue(), to);
        EXPECT_EQ(listener.told, from == to ? "" : "c");
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
    for (int buttons : {kLButton, kRButton, kMButton})
        click(*rig.frame(), {430, 310}, buttons);
    EXPECT_EQ(rig.backend.openedUrls(),
              (std::vector<std::string>{KsEditor::kMakerWebSite, KsEditor::kMakerWebSite}));
    WebLink link(CRect(0, 0, 10, 10), nullptr, 0, nullptr);
    link.setUrl(std::string(600, 'x').c_str());
    EXPECT_EQ(link.getUrl().size(), WebLink::kMaxUrl);
}

// A font of two glyphs 4 pixels high: 'a' 3 pixels wide in red, 'b' 5 wide in green.
struct TwoGlyphFont {
    TwoGlyphFont()
    {
        gui::RgbaImage strip = solid(8, 4, 0, 255, 0);
        for (std::size_t i = 0; i < strip.pixels.size(); i += 4)
            if (i / 4 % 8 < 3) strip.pixels[i] = 255, strip.pixels[i + 1] = 0;
        bitmap = std::make_unique<CBitmap>(strip);
        font.bitmap = bitmap.get();
        font.glyphCount = 2;
        font.characters[0] = 'a', font.characters[1] = 'b';
        font.widths[0] = 3, font.widths[1] = 5, font.offsets[1] = 3;
    }
    std::unique_ptr<CBitmap> bitmap;
    SkinFont font;
};

TEST(TextDisplay, FontRoutinePlacesGlyphsAndGaps)
{
    TwoGlyphFont f;
    struct Probe {
        int x, y;
        CColor colour;
    };
    const std::tuple<const char*, CRect, int, std::vector<Probe>> cases[] = {
        // text, rectangle, pen after, pixels. Centred: the row runs from (0 + 10) / 2 - 4 / 2 = 3 to 7.
        {"ab",
         {2, 0, 40, 10},
         10,
         {{2, 3, kRed}, {5, 3, kGreen}, {9, 6, kGreen}, {10, 3, kClear}, {2, 7, kClear}}},
        // A character the font lacks leaves 6 pixels empty.
        {"a?b", {2, 0, 40, 10}, 16, {{4, 4, kRed}, {5, 4, kClear}, {10, 4, kClear}, {11, 4, kGreen}}},
        // Glyphs start while the pen is left of the right edge; the last one reaches past it.
        {"bbbb", {0, 0, 12, 10}, 15, {{14, 4, kGreen}, {15, 4, kClear}}},
        {"a", {0, 1, 40, 4}, 3, {{0, 0, kRed}, {0, 3, kRed}, {0, 4, kClear}}}, // (1 + 4) / 2 - 2 = 0
    };
    for (const auto& [text, rect, pen, probes] : cases) {
        SCOPED_TRACE(text);
        COffscreenContext context(40, 12);
        EXPECT_EQ(drawFontText(context, f.font, rect, text), pen);
        for (const Probe& p : probes)
            EXPECT_EQ(context.getBitmap().getPixel(p.x, p.y), p.colour) << p.x << "," << p.y;
    }
}

TEST(TextDisplay, DrawsTheBackgroundBehindItThenTheText)
{
    TwoGlyphFont f;
    // A background whose red and green channels give each pixel's position.
    gui::RgbaImage image = solid(100, 50, 0, 0, 7);
    for (std::size_t i = 0; i < image.pixels.size(); i += 4)
        image.pixels[i] = std::uint8_t(i / 4 % 100), image.pixels[i + 1] = std::uint8_t(i / 400);
    CBitmap background(image);
    TextDisplay display(CRect(10, 5, 60, 25), nullptr, 346, &background, &f.font);
    display.setText("ba");
    COffscreenContext context(100, 50);
    display.draw(context);
    const CBitmap& drawn = context.getBitmap();
    EXPECT_EQ(drawn.getPixel(59, 24), (CColor{59, 24, 7, 255})); // the background's own pixel
    EXPECT_EQ(drawn.getPixel(9, 7), kClear);                     // nothing outside the control
    EXPECT_EQ(drawn.getPixel(10, 13), kGreen);                   // 'b' on the row (5 + 25) / 2 - 2
    EXPECT_EQ(drawn.getPixel(15, 13), kRed);                     // then 'a'
    // Longer text is cut to the display's room.
    display.setText(std::string(300, 'a').c_str());
    EXPECT_EQ(std::string(display.getText()).size(), static_cast<std::size_t>(TextDisplay::kMaxText));
}

constexpr CColor kOn{0, 220, 0, 255}, kOff{40, 40, 40, 255};

TEST(VuMeterTest, OffImageCoversTheDarkSegmentsFromTheTop)
{
    const CBitmap on(solid(6, 62, kOn.red, kOn.green, kOn.blue)),
        off(solid(6, 62, kOff.red, kOff.green, kOff.blue));
    VuMeterS meter(CRect(0, 0, 6, 62), nullptr, &on, &off);
    // row = int(dark / 31 * 62) with dark = int((1 - level) * 31 + 0.5); odd levels light nothing.
    for (const auto& [level, row] : {std::pair{0.5f, 32}, {0.017f, 60}, {2.0f, 0}, {NAN, 62}}) {
        SCOPED_TRACE(level);
        COffscreenContext context(6, 62);
        meter.setValue(level);
        meter.draw(context);
        for (int y = 0; y < 62; ++y) // the off image above the first lit row, the on image from it
            ASSERT_EQ(context.getBitmap().getPixel(0, y), y < row ? kOff : kOn) << y;
    }
}

TEST_F(EditorTest, ClickOnAnyMeterSwitchesEveryMeter)
{
    writeText(skin / "SkinParameters.txt", "BITMAPS Background Plate LevelMeterOff -- FONTS -- PARAMETERS -- "
                                           "PAGES -- CONTROLS LevelMeterL VuMeter Plate Main 400 10 412 110 "
                                           "LevelMeterR VuMeter Plate Main 420 10 432 110 --");
    gui::writePng((skin / "Plate.png").string(), solid(80, 100, kOn.red, kOn.green, kOn.blue));
    gui::writePng((skin / "LevelMeterOff.png").string(), solid(80, 100, kOff.red, kOff.green, kOff.blue));
    Rig rig;
    ASSERT_TRUE(rig.open());
    for (const char* name : {"LevelMeterL", "LevelMeterR"})
        rig.editor->setParameter(rig.index(name), 1.0f);
    for (const auto& [x, shown] : {std::pair{405, kOff}, {425, kOn}, {425, kOff}, {405, kOn}}) {
        click(*rig.frame(), {x, 50});
        rig.frame()->redrawDirty();
        EXPECT_EQ(VuMeterS::isMeteringOn(), shown == kOn);
        EXPECT_EQ(rig.parent.pixel(405, 12), shown) << x;
        EXPECT_EQ(rig.parent.pixel(425, 12), shown) << x;
    }
    VuMeterS::setMeteringOn(true);
}

} // namespace
