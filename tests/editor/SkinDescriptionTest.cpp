#include "editor/SkinDescription.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

// The sections a description needs, empty, around `controls`.
std::string withControls(const std::string& controls)
{
    return "BITMAPS B -- FONTS -- PARAMETERS -- PAGES -- CONTROLS " + controls;
}

TEST(SkinDescription, EndOfFileCompletesTheControls)
{
    SkinDescription skin;
    ASSERT_TRUE(skin.parse(withControls("A Knob B Main 1 2 3 4")));
    ASSERT_EQ(skin.controls.size(), 1u);
    EXPECT_EQ(skin.controls[0].y1, 2);
    EXPECT_TRUE(skin.parse(withControls("")));
}

// A word whose second character is '-' (or a word of fewer than two) ends a section; so does
// -32768, or a value that is not a number, among the parameters.
TEST(SkinDescription, EndWords)
{
    for (const auto& [word, ends] : std::initializer_list<std::pair<const char*, bool>>{
             {"", true}, {"-", true}, {"x-yz", true}, {"ab-", false}})
        EXPECT_EQ(SkinDescription::isEndWord(word), ends) << word;

    SkinDescription skin;
    for (const char* stop : {"-32768", "x"}) {
        ASSERT_TRUE(skin.parse(std::string("BITMAPS Background -- FONTS -- PARAMETERS A 1 B ") + stop +
                               " C 3 -- PAGES -- CONTROLS"));
        ASSERT_EQ(skin.parameters.size(), 1u) << stop;
        EXPECT_EQ(skin.parameters[0].name, "A");
    }
}

TEST(SkinDescription, RefusedDescriptions)
{
    const std::string longName(128, 'n');
    const std::pair<const char*, std::string> cases[] = {
        {"empty", ""},
        {"sections out of order", "BITMAPS Background -- PARAMETERS -- FONTS -- PAGES -- CONTROLS"},
        {"ends inside the pages", "BITMAPS B -- FONTS -- PARAMETERS -- PAGES P x B y 1 2 3"},
        {"glyph count above 256",
         "BITMAPS B -- FONTS F 257 " + std::string(257, 'a') + " -- PARAMETERS -- PAGES -- CONTROLS"},
        {"glyph run cut off", "BITMAPS B -- FONTS F 9 abc"},
        {"negative glyph width", "BITMAPS B -- FONTS F 1 a -4 -- PARAMETERS -- PAGES -- CONTROLS"},
        {"overlong bitmap name", "BITMAPS " + longName + " -- FONTS -- PARAMETERS -- PAGES -- CONTROLS"},
        {"number beyond 32 bits", "BITMAPS B -- FONTS -- PARAMETERS -- PAGES P x B y 1 2 3 99999999999 -- "
                                  "CONTROLS"},
        {"coordinate out of range", withControls("A Knob B Main 0 0 0 2000000")},
        {"control line cut off", withControls("A Knob B Main 1 2")},
        {"above 1 MiB", withControls(std::string(SkinDescription::kMaxFileSize, ' '))},
    };
    for (const auto& [what, text] : cases) {
        SkinDescription skin;
        skin.bitmaps.push_back("stale");
        EXPECT_FALSE(skin.parse(text)) << what;
        EXPECT_TRUE(skin.bitmaps.empty()) << what;
    }
}

TEST(SkinDescription, ExcessEntriesAreIgnored)
{
    std::string bitmaps, fonts, parameters, pages;
    for (int i = 0; i < 130; ++i) {
        const std::string n = std::to_string(i);
        bitmaps += " B" + n;
        parameters += " P" + n + " " + n;
        fonts += i < 9 ? " F" + n + " 1 x 5" : "";
        pages += i < 65 ? " G" + n + " x B0 y 0 0 10 10" : "";
    }
    SkinDescription skin;
    ASSERT_TRUE(skin.parse("BITMAPS" + bitmaps + " -- FONTS" + fonts + " -- PARAMETERS" + parameters +
                           " -- PAGES" + pages + " -- CONTROLS"));
    EXPECT_EQ(static_cast<int>(skin.bitmaps.size()), SkinDescription::kMaxBitmaps);
    EXPECT_EQ(static_cast<int>(skin.fonts.size()), SkinDescription::kMaxFonts);
    EXPECT_EQ(static_cast<int>(skin.parameters.size()), SkinDescription::kMaxSkinParameters);
    EXPECT_EQ(static_cast<int>(skin.pages.size()), SkinDescription::kMaxPages);
    EXPECT_EQ(skin.bitmaps.back(), "B127");
}

} // namespace
