// Level meters: where the off image gives way to the on image, and the process-wide switch that
// a click on any meter flips for all of them.
#include "EditorTestSupport.h"

#include "editor/VuMeterS.h"
#include "engine/KsPlugin.h"

#include <cmath>

namespace
{

using namespace edtest;

constexpr CColor kOn{0, 220, 0, 255}, kOff{40, 40, 40, 255};

// The first row that shows the on image, checking that every row above shows the off image.
int firstLitRow(VuMeterS& meter)
{
    COffscreenContext context(meter.getWidth(), meter.getHeight());
    meter.draw(context);
    for (int y = 0; y < meter.getHeight(); ++y) {
        if (context.getBitmap().getPixel(0, y) == kOn) return y;
        EXPECT_EQ(context.getBitmap().getPixel(0, y), kOff) << y;
    }
    return meter.getHeight();
}

TEST(VuMeterTest, OffImageCoversTheDarkSegmentsFromTheTop)
{
    const CBitmap on(solid(6, 62, kOn.red, kOn.green, kOn.blue)),
        off(solid(6, 62, kOff.red, kOff.green, kOff.blue));
    VuMeterS meter(CRect(0, 0, 6, 62), nullptr, &on, &off);
    // row = int(dark / 31 * 62) with dark = int((1 - level) * 31 + 0.5); odd levels light nothing.
    const std::pair<float, int> cases[] = {{0.5f, 32},   {1.0f, 0}, {0.0f, 62},
                                           {0.017f, 60}, {2.0f, 0}, {NAN, 62}};
    for (const auto& [level, row] : cases) {
        meter.setValue(level);
        EXPECT_EQ(firstLitRow(meter), row) << level;
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
        rig.editor->setParameter(rig.shell.getEngine()->parameterIndex(name), 1.0f);
    const std::pair<int, CColor> clicks[] = {{405, kOff}, {425, kOn}, {425, kOff}, {405, kOn}};
    for (const auto& [x, shown] : clicks) {
        rig.frame()->handleMouseDown({x, 50}, kLButton);
        rig.frame()->handleMouseUp({x, 50}, kLButton);
        rig.frame()->redrawDirty();
        EXPECT_EQ(VuMeterS::isMeteringOn(), shown == kOn);
        EXPECT_EQ(rig.parent.pixel(405, 12), shown) << x;
        EXPECT_EQ(rig.parent.pixel(425, 12), shown) << x;
    }
    VuMeterS::setMeteringOn(true);
}

} // namespace
