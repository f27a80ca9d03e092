// Level meters: the boundary between the off and on images, and the process-wide switch that a
// click on any meter flips for all of them.
#include "EditorTestSupport.h"

#include "editor/VuMeterS.h"
#include "engine/KsPlugin.h"

#include <cmath>

namespace
{

using namespace edtest;

constexpr CColor kOn{0, 220, 0, 255}, kOff{40, 40, 40, 255};

class VuMeters : public EditorTest
{
  protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        VuMeterS::setMeteringOn(true);
    }
    void TearDown() override
    {
        VuMeterS::setMeteringOn(true);
        EditorTest::TearDown();
    }
};

// The first row (from the top) that shows the on image in column 0, or the height when none does.
int firstLitRow(VuMeterS& meter, int height)
{
    COffscreenContext context(meter.getWidth(), height);
    meter.draw(context);
    for (int y = 0; y < height; ++y) {
        const CColor c = context.getBitmap().getPixel(0, y);
        if (c == kOn) return y;
        EXPECT_EQ(c, kOff) << y;
    }
    return height;
}

TEST_F(VuMeters, OffImageCoversTheDarkSegmentsFromTheTop)
{
    const CBitmap on(solid(6, 62, kOn.red, kOn.green, kOn.blue)),
        off(solid(6, 62, kOff.red, kOff.green, kOff.blue));
    VuMeterS meter(CRect(0, 0, 6, 62), nullptr, &on, &off);
    struct Case {
        float level;
        int dark; // int((1 - level) * 31 + 0.5)
        int row;  // int(dark / 31 * 62)
    };
    const Case cases[] = {
        {0.5f, 16, 32}, {1.0f, 0, 0}, {0.0f, 31, 62}, {0.017f, 30, 60}, {2.0f, 0, 0}, // limited to the range
        {NAN, 31, 62}, // not a level: nothing lit
    };
    for (const Case& c : cases) {
        meter.setValue(c.level);
        EXPECT_EQ(meter.darkSegments(), c.dark) << c.level;
        EXPECT_EQ(firstLitRow(meter, 62), c.row) << c.level;
    }
    // Switched off, a full meter draws as empty.
    meter.setValue(1.0f);
    VuMeterS::setMeteringOn(false);
    EXPECT_EQ(firstLitRow(meter, 62), 62);
}

TEST_F(VuMeters, ClickOnAnyMeterSwitchesEveryMeter)
{
    writeText(skin / "SkinParameters.txt", "BITMAPS Background Plate LevelMeterOff -- FONTS -- PARAMETERS -- "
                                           "PAGES -- CONTROLS "
                                           "LevelMeterL VuMeter Plate Main 400 10 412 110 "
                                           "LevelMeterR VuMeter Plate Main 420 10 432 110 --");
    gui::writePng((skin / "Plate.png").string(), solid(80, 100, kOn.red, kOn.green, kOn.blue));
    gui::writePng((skin / "LevelMeterOff.png").string(), solid(80, 100, kOff.red, kOff.green, kOff.blue));
    Rig rig;
    ASSERT_TRUE(rig.open());
    for (const char* name : {"LevelMeterL", "LevelMeterR"})
        rig.editor->setParameter(rig.shell.getEngine()->parameterIndex(name), 1.0f);
    rig.frame()->redrawDirty();
    struct Step {
        CPoint click;
        bool meteringOn;
        CColor shown;
    };
    const Step steps[] = {{{405, 50}, false, kOff}, {{425, 50}, true, kOn}, {{425, 50}, false, kOff}};
    for (const Step& s : steps) {
        rig.frame()->handleMouseDown(s.click, kLButton);
        rig.frame()->handleMouseUp(s.click, kLButton);
        rig.frame()->redrawDirty();
        EXPECT_EQ(VuMeterS::isMeteringOn(), s.meteringOn);
        EXPECT_EQ(rig.parent.pixel(405, 12), s.shown) << s.click.x;
        EXPECT_EQ(rig.parent.pixel(425, 12), s.shown) << s.click.x;
    }
}

} // namespace
