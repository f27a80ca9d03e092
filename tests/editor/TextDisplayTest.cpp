// The bitmap-font routine and the text display.
#include "editor/TextDisplay.h"

#include "platform/gui/CDrawContext.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace
{

constexpr CColor kClear{0, 0, 0, 0}, kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255};

// A font of two glyphs 4 pixels high: 'a' 3 pixels wide in red, 'b' 5 wide in green.
struct TwoGlyphFont {
    TwoGlyphFont()
    {
        gui::RgbaImage strip;
        strip.width = 8;
        strip.height = 4;
        strip.pixels.resize(8 * 4 * 4);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 8; ++x) {
                std::uint8_t* px = &strip.pixels[static_cast<std::size_t>(y * 8 + x) * 4];
                px[x < 3 ? 0 : 1] = 255;
                px[3] = 255;
            }
        bitmap = std::make_unique<CBitmap>(strip);
        font.bitmap = bitmap.get();
        font.glyphCount = 2;
        font.characters[0] = 'a', font.characters[1] = 'b';
        font.widths[0] = 3, font.widths[1] = 5;
        font.offsets[0] = 0, font.offsets[1] = 3;
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
        // Centred: row from (0 + 10) / 2 - 4 / 2 = 3 to 7.
        {"ab",
         {2, 0, 40, 10},
         10,
         {{2, 3, kRed},
          {4, 6, kRed},
          {5, 3, kGreen},
          {9, 6, kGreen},
          {10, 3, kClear},
          {2, 2, kClear},
          {2, 7, kClear}}},
        // A character the font lacks leaves 6 pixels empty.
        {"a?b", {2, 0, 40, 10}, 16, {{4, 4, kRed}, {5, 4, kClear}, {10, 4, kClear}, {11, 4, kGreen}}},
        // Glyphs start while the pen is left of the right edge; the last one reaches past it.
        {"bbbb", {0, 0, 12, 10}, 15, {{14, 4, kGreen}, {15, 4, kClear}}},
        // Odd rectangle: (1 + 4) / 2 - 2 = 0.
        {"a", {0, 1, 40, 4}, 3, {{0, 0, kRed}, {0, 3, kRed}, {0, 4, kClear}}},
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
    gui::RgbaImage image;
    image.width = 100;
    image.height = 50;
    image.pixels.resize(100 * 50 * 4);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x) {
            std::uint8_t* px = &image.pixels[static_cast<std::size_t>(y * 100 + x) * 4];
            px[0] = static_cast<std::uint8_t>(x), px[1] = static_cast<std::uint8_t>(y), px[2] = 7,
            px[3] = 255;
        }
    CBitmap background(image);
    TextDisplay display(CRect(10, 5, 60, 25), nullptr, 346, &background, &f.font);
    EXPECT_STREQ(display.getText(), "");
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
    display.setText(nullptr);
    EXPECT_STREQ(display.getText(), "");
}

} // namespace
