// Controls that act on a press: the switch-on button, the radio group and the web link.
#include "EditorTestSupport.h"

#include "editor/CRadioGroup.h"
#include "editor/OnButton.h"
#include "editor/WebLink.h"
#include "engine/KsPlugin.h"

namespace
{

using namespace edtest;

// Counts what a control tells it; takes modifier clicks when told to.
struct Listener : CControlListener {
    void valueChanged(CControl*) override { ++changes; }
    void controlBeginEdit(CControl*) override { ++begins; }
    void controlEndEdit(CControl*) override { ++ends; }
    bool controlModifierClicked(CControl*, int) override { return ++offered, takeModifierClicks; }
    int changes = 0, begins = 0, ends = 0, offered = 0;
    bool takeModifierClicks = false;
};

constexpr CColor kUp{10, 10, 200, 255}, kDown{230, 120, 0, 255};

// A two-frame button image w x 2h: the upper frame kUp, the lower kDown.
CBitmap twoFrames(int w, int h)
{
    gui::RgbaImage image = solid(w, 2 * h, kUp.red, kUp.green, kUp.blue);
    for (std::size_t i = std::size_t(w) * std::size_t(h) * 4; i < image.pixels.size(); i += 4)
        image.pixels[i] = kDown.red, image.pixels[i + 1] = kDown.green, image.pixels[i + 2] = kDown.blue;
    return CBitmap(image);
}

TEST(OnButtonTest, SwitchesOnOnlyAndOffersModifierClicks)
{
    struct Case {
        const char* what;
        int buttons;
        bool take;
        float from, to;
        int changes, offered;
    };
    const Case cases[] = {
        {"left", kLButton, false, 0, 1, 1, 0},
        {"left when on", kLButton, false, 1, 1, 1, 0},
        {"right", kRButton, false, 0, 0, 0, 0},
        {"shift, declined", kLButton | kShift, false, 0, 1, 1, 1},
        {"command, taken", kLButton | kCommand, true, 0, 0, 0, 1},
    };
    for (const Case& c : cases) {
        Listener listener;
        listener.takeModifierClicks = c.take;
        OnButton button(CRect(0, 0, 30, 20), &listener, 7, nullptr);
        button.setValue(c.from);
        CPoint where(5, 5);
        button.onMouseDown(where, c.buttons);
        EXPECT_EQ(button.getValue(), c.to) << c.what;
        EXPECT_EQ(listener.changes, c.changes) << c.what;
        EXPECT_EQ(listener.begins, c.changes) << c.what;
        EXPECT_EQ(listener.ends, c.changes) << c.what;
        EXPECT_EQ(listener.offered, c.offered) << c.what;
    }
}

TEST(RadioGroupTest, FirstButtonHitIsChosenAndDrawnSelected)
{
    const CBitmap wide = twoFrames(19, 10), tall = twoFrames(30, 12);
    struct Case {
        const char* what;
        int count, dx, dy;
        const CBitmap* bitmap;
        float from;
        CPoint where;
        float to;
        int changes;
    };
    const Case cases[] = {
        {"shared edge: the lower-numbered button", 8, 19, 0, &wide, 0.03f, {119, 55}, 0.0f, 1},
        {"past the edge: button 1 writes 0.01", 8, 19, 0, &wide, 0.0f, {120, 55}, 0.01f, 1},
        {"last button's corner", 8, 19, 0, &wide, 0.0f, {252, 60}, 0.07f, 1},
        {"the selected button again", 8, 19, 0, &wide, 0.02f, {140, 50}, 0.02f, 0},
        {"below every button", 8, 19, 0, &wide, 0.02f, {120, 61}, 0.02f, 0},
        {"stacked, shared edge", 2, 0, 12, &tall, 0.01f, {110, 62}, 0.0f, 1},
        {"stacked, second", 2, 0, 12, &tall, 0.0f, {110, 63}, 0.01f, 1},
    };
    for (const Case& c : cases) {
        Listener listener;
        CRadioGroup group(CRect(100, 50, 260, 80), &listener, 353, c.count, c.dx, c.dy);
        for (int i = 0; i < c.count + 2; ++i) // extra bitmaps are ignored
            group.addButtonBitmap(c.bitmap);
        group.setValue(c.from);
        CPoint where = c.where;
        EXPECT_EQ(group.onMouseDown(where, kLButton), kMouseEventHandled) << c.what;
        EXPECT_FLOAT_EQ(group.getValue(), c.to) << c.what;
        EXPECT_EQ(listener.changes, c.changes) << c.what;

        // Only the selected button shows its lower frame.
        COffscreenContext context(300, 100);
        group.draw(context);
        for (int i = 0; i < c.count; ++i) {
            const CRect r = group.buttonRect(i);
            const CColor shown = context.getBitmap().getPixel(r.left + r.getWidth() / 2, r.top + 1);
            EXPECT_EQ(shown, i == group.getSelected() ? kDown : kUp) << c.what << ", button " << i;
        }
        EXPECT_FALSE(group.buttonRect(c.count).getWidth() > 0) << c.what;
    }
}

TEST_F(EditorTest, WebLinkOpensTheMakersSite)
{
    Rig rig;
    ASSERT_TRUE(rig.open());
    auto* link =
        dynamic_cast<WebLink*>(rig.editor->getControl(rig.shell.getEngine()->parameterIndex("InfoLink")));
    ASSERT_NE(link, nullptr);
    const CPoint inside(430, 310);
    for (int buttons : {kLButton, kRButton, kMButton}) {
        rig.frame()->handleMouseDown(inside, buttons);
        rig.frame()->handleMouseUp(inside, buttons);
    }
    EXPECT_EQ(rig.backend.openedUrls(),
              (std::vector<std::string>{KsEditor::kMakerWebSite, KsEditor::kMakerWebSite}));
    link->setUrl(std::string(600, 'x').c_str());
    EXPECT_EQ(link->getUrl().size(), WebLink::kMaxUrl);
}

} // namespace
