// The bitmap-font routine and the text display.
#include "EditorTestSupport.h"

#include "editor/TextDisplay.h"

namespace
{

constexpr CColor kClear{0, 0, 0, 0}, kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255};

// A font of two glyphs 4 pixels high: 'a' 3 pixels wide in red, 'b' 5 wide in green.
struct TwoGlyphFont {
    TwoGlyphFont()
    {
        gui::RgbaImage strip = edtest::solid(8, 4, 0, 255, 0);
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
    struct Case {
        const char* text;
        CRect rect;
        int pen;
        std::vector<Probe> probes;
    };
    const Case cases[] = {
        // Centred: the row runs from (0 + 10) / 2 - 4 / 2 = 3 to 7.
        {"ab",
         {2, 0, 40, 10},
         10,
         {{2, 3, kRed}, {4, 6, kRed}, {5, 3, kGreen}, {9, 6, kGreen}, {10, 3, kClear}}},
        {"ab", {2, 0, 40, 10}, 10, {{2, 2, kClear}, {2, 7, kClear}}},
        // A character the font lacks leaves 6 pixels empty.
        {"a?b", {2, 0, 40, 10}, 16, {{4, 4, kRed}, {5, 4, kClear}, {10, 4, kClear}, {11, 4, kGreen}}},
        // Glyphs start while the pen is left of the right edge; the last one reaches past it.
        {"bbbb", {0, 0, 12, 10}, 15, {{14, 4, kGreen}, {15, 4, kClear}}},
        {"a", {0, 1, 40, 4}, 3, {{0, 0, kRed}, {0, 3, kRed}, {0, 4, kClear}}}, // (1 + 4) / 2 - 2 = 0
        {"", {7, 0, 40, 10}, 7, {{7, 4, kClear}}},
        {"??", {0, 0, 4, 10}, 6, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        COffscreenContext context(40, 12);
        EXPECT_EQ(drawFontText(context, f.font, c.rect, c.text), c.pen);
        for (const Probe& p : c.probes)
            EXPECT_EQ(context.getBitmap().getPixel(p.x, p.y), p.colour) << p.x << "," << p.y;
    }
}

TEST(TextDisplay, DrawsTheBackgroundBehindItThenTheText)
{
    TwoGlyphFont f;
    // A background whose red and green channels give each pixel's position.
    gui::RgbaImage image = edtest::solid(100, 50, 0, 0, 7);
    for (std::size_t i = 0; i < image.pixels.size(); i += 4)
        image.pixels[i] = static_cast<std::uint8_t>(i / 4 % 100),
        image.pixels[i + 1] = static_cast<std::uint8_t>(i / 400);
    CBitmap background(image);
    TextDisplay display(CRect(10, 5, 60, 25), nullptr, 346, &background, &f.font);
    display.setDirty(false);
    display.setText("ba");
    EXPECT_TRUE(display.isDirty());

    COffscreenContext context(100, 50);
    display.draw(context);
    EXPECT_FALSE(display.isDirty());
    const CBitmap& drawn = context.getBitmap();
    EXPECT_EQ(drawn.getPixel(12, 7), (CColor{12, 7, 7, 255}));   // the background's own pixel
    EXPECT_EQ(drawn.getPixel(59, 24), (CColor{59, 24, 7, 255})); // up to the far corner
    EXPECT_EQ(drawn.getPixel(9, 7), kClear);                     // nothing outside the control
    EXPECT_EQ(drawn.getPixel(10, 13), kGreen);                   // 'b' on the row (5 + 25) / 2 - 2
    EXPECT_EQ(drawn.getPixel(15, 13), kRed);                     // then 'a'

    // The same text again changes nothing; longer text is cut to the display's room.
    display.setDirty(false);
    display.setText("ba");
    EXPECT_FALSE(display.isDirty());
    display.setText(std::string(300, 'a').c_str());
    EXPECT_EQ(std::string(display.getText()).size(), static_cast<std::size_t>(TextDisplay::kMaxText));
}

} // namespace
