#include "editor/SkinDescription.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

// A small description with every section, in the format the skins are written in.
const std::string kSkin = "Free text before the first section.\n"
                          "BITMAPS\nBackground Knob Font\n-----\n"
                          "FONTS\nFont 3 a b12 3 4\n-----\n"
                          "PARAMETERS\nGap 7\nMargin -3\n-----\n"
                          "PAGES\nSeq x Background y 10 20 110 220\n-----\n"
                          "CONTROLS\nDistXcita Knob Knob Main 50 60 0 0\n"
                          "SeqVolume Knob Knob Seq 15 25 0 0\n";

TEST(SkinDescription, ReadsEverySection)
{
    SkinDescription skin;
    ASSERT_TRUE(skin.parse(kSkin));
    EXPECT_EQ(skin.bitmaps, (std::vector<std::string>{"Background", "Knob", "Font"}));
    ASSERT_EQ(skin.fonts.size(), 1u);
    // The space after the count is the separator; the space inside the run is a glyph.
    EXPECT_EQ(skin.fonts[0].characters, "a b");
    EXPECT_EQ(skin.fonts[0].widths, (std::vector<int>{12, 3, 4}));
    ASSERT_EQ(skin.parameters.size(), 2u);
    EXPECT_EQ(skin.parameters[1].name, "Margin");
    EXPECT_EQ(skin.parameters[1].value, -3);
    ASSERT_EQ(skin.pages.size(), 1u);
    EXPECT_EQ(skin.pages[0].bitmap, "Background");
    EXPECT_EQ(skin.pages[0].bottom, 220);
    ASSERT_EQ(skin.controls.size(), 2u);
    EXPECT_EQ(skin.controls[1].page, "Seq");
    EXPECT_EQ(skin.controls[1].y1, 25);
}

TEST(SkinDescription, EndWords)
{
    struct Case {
        const char* word;
        bool ends;
    };
    const Case cases[] = {{"", true},     {"-", true},    {"----", true}, {"a-", true},
                          {"x-yz", true}, {"ab-", false}, {"abc", false}, {"Background", false}};
    for (const Case& c : cases)
        EXPECT_EQ(SkinDescription::isEndWord(c.word), c.ends) << c.word;
}

TEST(SkinDescription, SecondCharacterDashEndsASection)
{
    SkinDescription skin;
    ASSERT_TRUE(skin.parse("BITMAPS Background a-b Knob FONTS x-- PARAMETERS -- PAGES -- CONTROLS"));
    EXPECT_EQ(skin.bitmaps, std::vector<std::string>{"Background"});
    EXPECT_TRUE(skin.fonts.empty());
}

TEST(SkinDescription, MinusSixtyFourKEndsTheParameters)
{
    SkinDescription skin;
    ASSERT_TRUE(skin.parse("BITMAPS Background -- FONTS -- PARAMETERS A 1 B -32768 C 3 -- "
                           "PAGES -- CONTROLS"));
    ASSERT_EQ(skin.parameters.size(), 1u);
    EXPECT_EQ(skin.parameters[0].name, "A");
    // A value that is not a number ends the section in the same way.
    ASSERT_TRUE(skin.parse("BITMAPS Background -- FONTS -- PARAMETERS A 1 B x C 3 -- PAGES -- CONTROLS"));
    EXPECT_EQ(skin.parameters.size(), 1u);
}

TEST(SkinDescription, RefusedDescriptions)
{
    const std::string longName(128, 'n');
    struct Case {
        const char* what;
        std::string text;
    };
    const Case cases[] = {
        {"empty", ""},
        {"no bitmaps header", "FONTS -- PARAMETERS -- PAGES -- CONTROLS"},
        {"sections out of order", "BITMAPS Background -- PARAMETERS -- FONTS -- PAGES -- CONTROLS"},
        {"ends inside the bitmaps", "BITMAPS Background"},
        {"ends inside the pages", "BITMAPS B -- FONTS -- PARAMETERS -- PAGES P x B y 1 2 3"},
        {"glyph count above 256",
         "BITMAPS B -- FONTS F 257 " + std::string(257, 'a') + " -- PARAMETERS -- PAGES -- CONTROLS"},
        {"negative glyph count", "BITMAPS B -- FONTS F -1 -- PARAMETERS -- PAGES -- CONTROLS"},
        {"glyph run cut off", "BITMAPS B -- FONTS F 9 abc"},
        {"glyph width missing", "BITMAPS B -- FONTS F 2 ab 4 -- PARAMETERS -- PAGES -- CONTROLS"},
        {"negative glyph width", "BITMAPS B -- FONTS F 1 a -4 -- PARAMETERS -- PAGES -- CONTROLS"},
        {"overlong bitmap name", "BITMAPS " + longName + " -- FONTS -- PARAMETERS -- PAGES -- CONTROLS"},
        {"overlong skin parameter",
         "BITMAPS B -- FONTS -- PARAMETERS " + longName + " 1 -- PAGES -- CONTROLS"},
        {"number beyond 32 bits", "BITMAPS B -- FONTS -- PARAMETERS -- PAGES P x B y 1 2 3 99999999999 -- "
                                  "CONTROLS"},
        {"coordinate out of range", "BITMAPS B -- FONTS -- PARAMETERS -- PAGES -- CONTROLS A Knob B Main "
                                    "0 0 0 2000000"},
        {"control line cut off", "BITMAPS B -- FONTS -- PARAMETERS -- PAGES -- CONTROLS A Knob B Main 1 2"},
        {"control number not a number", "BITMAPS B -- FONTS -- PARAMETERS -- PAGES -- CONTROLS A Knob B Main "
                                        "1 2 x 4"},
        {"above 1 MiB", "BITMAPS B -- FONTS -- PARAMETERS -- PAGES -- CONTROLS " +
                            std::string(SkinDescription::kMaxFileSize, ' ')},
    };
    for (const Case& c : cases) {
        SkinDescription skin;
        skin.bitmaps.push_back("stale");
        EXPECT_FALSE(skin.parse(c.text)) << c.what;
        EXPECT_TRUE(skin.bitmaps.empty()) << c.what;
    }
}

TEST(SkinDescription, ExcessEntriesAreIgnored)
{
    std::string text = "BITMAPS";
    for (int i = 0; i < 130; ++i)
        text += " B" + std::to_string(i);
    text += " -- FONTS";
    for (int i = 0; i < 9; ++i)
        text += " F" + std::to_string(i) + " 1 x 5";
    text += " -- PARAMETERS";
    for (int i = 0; i < 130; ++i)
        text += " P" + std::to_string(i) + " " + std::to_string(i);
    text += " -- PAGES";
    for (int i = 0; i < 65; ++i)
        text += " G" + std::to_string(i) + " x B0 y 0 0 10 10";
    text += " -- CONTROLS";
    SkinDescription skin;
    ASSERT_TRUE(skin.parse(text));
    EXPECT_EQ(static_cast<int>(skin.bitmaps.size()), SkinDescription::kMaxBitmaps);
    EXPECT_EQ(static_cast<int>(skin.fonts.size()), SkinDescription::kMaxFonts);
    EXPECT_EQ(static_cast<int>(skin.parameters.size()), SkinDescription::kMaxSkinParameters);
    EXPECT_EQ(static_cast<int>(skin.pages.size()), SkinDescription::kMaxPages);
    EXPECT_EQ(skin.bitmaps.back(), "B127");
}

TEST(SkinDescription, EndOfFileCompletesTheControls)
{
    SkinDescription skin;
    ASSERT_TRUE(skin.parse("BITMAPS B -- FONTS -- PARAMETERS -- PAGES -- CONTROLS A Knob B Main 1 2 3 4"));
    EXPECT_EQ(skin.controls.size(), 1u);
    EXPECT_TRUE(skin.parse("BITMAPS B -- FONTS -- PARAMETERS -- PAGES -- CONTROLS"));
}

} // namespace
