// The built-in skin as the build draws it: every name the editor looks up is there, every
// parameter a user sets has exactly one control, the controls lie inside the window without
// covering each other, the bitmaps have the frame layout their kinds read, the glyph strips match
// their measured widths, and every selector entry fits between its arrows.
#include "EditorTestSupport.h"
#include "editor/OrvaneEditor.h"
#include "editor/ScrollSelector.h"
#include "editor/SkinDescription.h"
#include "engine/Orvane.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace
{

using namespace edtest;

const fs::path kSkin = fs::path(ORVANE_BINARY_DIR) / "data" / "Skins" / "default";

struct Box {
    int left, top, right, bottom;
    bool overlaps(const Box& o) const
    {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
    bool inside(const Box& o) const
    {
        return left >= o.left && top >= o.top && right <= o.right && bottom <= o.bottom;
    }
};

class DefaultSkin : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(skin.readFile((kSkin / "SkinParameters.txt").string()))
            << "no built-in skin in " << kSkin;
        for (const std::string& name : skin.bitmaps) {
            gui::RgbaImage image;
            ASSERT_TRUE(gui::readPngFile((kSkin / (name + ".png")).string(), image)) << name;
            images[name] = std::move(image);
        }
    }

    const gui::RgbaImage& image(const std::string& name) { return images.at(name); }

    // The rectangle the editor gives a control line, by kind (centred kinds, slider travel, explicit).
    Box rectOf(const SkinControlSpec& c)
    {
        const int w = image(c.bitmap).width, h = image(c.bitmap).height;
        if (c.kind == "Knob") return {c.x1 - w / 2, c.y1 - w / 2, c.x1 + w / 2, c.y1 + w / 2};
        if (c.kind == "OnButton" || c.kind == "KickButton")
            return {c.x1 - w / 2, c.y1 - h / 4, c.x1 + w / 2, c.y1 + h / 4};
        if (c.kind == "VSlider") return {c.x1 - w / 2, c.y1 - h / 2, c.x2 + w / 2, c.y2 + h / 2};
        if (c.kind == "Selector" || c.kind == "UpDownPreset")
            return {c.x1 - w / 2, c.y1 - h / 6, c.x1 + w / 2, c.y1 + h / 6};
        if (c.kind == "MorphSquare") return {c.x1 - w / 2, c.y1 - h / 2, c.x1 + w / 2, c.y1 + h / 2};
        return {c.x1, c.y1, c.x2, c.y2};
    }

    SkinDescription skin;
    std::map<std::string, gui::RgbaImage> images;
};

TEST_F(DefaultSkin, EveryNameTheEditorLooksUpIsThere)
{
    std::vector<std::string> bitmaps = {
        "Background",         "LevelMeterOff",       "XYCursor",        "ButtonSrcLfo", "ButtonSrcSeq",
        "StepSeqMeterActive", "StepSeqMeterActiveB", "StepSeqTieOnOff", "FontDisplay",  "FontVersion"};
    for (int p = 1; p <= 8; ++p)
        bitmaps.push_back("PatternBut" + std::to_string(p));
    for (const std::string& name : bitmaps)
        EXPECT_EQ(images.count(name), 1u) << name;

    std::set<std::string> fonts;
    for (const SkinFontSpec& f : skin.fonts)
        fonts.insert(f.name);
    EXPECT_EQ(fonts, (std::set<std::string>{"FontSelector", "FontDisplay", "FontVersion"}));

    std::map<std::string, int> values;
    for (const SkinValueSpec& v : skin.parameters)
        values[v.name] = v.value;
    for (const char* name :
         {"XYLineR", "XYLineG", "XYLineB", "XYLineA", "RadioButSrcYSpace", "SelectorButtonWidthSmall"}) {
        ASSERT_EQ(values.count(name), 1u) << name;
        EXPECT_GE(values[name], 0) << name;
        EXPECT_LE(values[name], 255) << name;
    }
    // The pad's lines must show: not fully transparent.
    EXPECT_GT(values["XYLineA"], 64);
}

TEST_F(DefaultSkin, EveryUserParameterHasExactlyOneControl)
{
    Orvane engine;
    std::map<int, int> lines;
    for (const SkinControlSpec& c : skin.controls) {
        const int index = engine.parameterIndex(c.parameter.c_str());
        ASSERT_GE(index, 0) << c.parameter;
        ++lines[index];
    }
    std::vector<int> wanted;
    for (int i = 0; i <= 50; ++i)
        wanted.push_back(i);
    for (const char* name : {"Unused", "Randomize", "ParamDisplay", "MorphSquare", "LevelMeterL",
                             "LevelMeterR", "StepSeqVol", "StepSeqTie", "CurrentPattern", "SeqFilterStartClk",
                             "SeqPanStartClk", "SeqTGateStartClk", "SeqPatternCopy", "SeqPatternPaste",
                             "VersionDisplay", "GlobalMenu", "StepSeqMenu", "UpDownPreset", "InfoLink"})
        wanted.push_back(engine.parameterIndex(name));
    for (int index : wanted)
        EXPECT_EQ(lines[index], 1) << engine.parameter(index)->name;
    EXPECT_EQ(lines.size(), wanted.size());
}

TEST_F(DefaultSkin, ControlsLieInsideTheWindowWithoutCoveringEachOther)
{
    const gui::RgbaImage& background = image("Background");
    EXPECT_GE(background.width, 900);
    EXPECT_GE(background.height, 600);
    const Box window{0, 0, background.width, background.height};
    std::vector<std::pair<std::string, Box>> boxes;
    for (const SkinControlSpec& c : skin.controls) {
        const Box b = rectOf(c);
        EXPECT_TRUE(b.inside(window)) << c.parameter;
        EXPECT_GT(b.right - b.left, 0) << c.parameter;
        EXPECT_GT(b.bottom - b.top, 0) << c.parameter;
        boxes.emplace_back(c.parameter, b);
    }
    // Only the program read-out lies on purpose over the middle of the preset bar.
    const std::set<std::pair<std::string, std::string>> allowed = {{"Unused", "ParamDisplay"}};
    for (std::size_t i = 0; i < boxes.size(); ++i)
        for (std::size_t j = i + 1; j < boxes.size(); ++j)
            if (boxes[i].second.overlaps(boxes[j].second))
                EXPECT_EQ(allowed.count({boxes[i].first, boxes[j].first}), 1u)
                    << boxes[i].first << " covers " << boxes[j].first;
}

TEST_F(DefaultSkin, BitmapsHaveTheFramesTheirKindsRead)
{
    for (const SkinControlSpec& c : skin.controls) {
        const gui::RgbaImage& b = image(c.bitmap);
        const Box r = rectOf(c);
        if (c.kind == "Knob") {
            EXPECT_EQ(b.height % b.width, 0) << c.parameter;
            EXPECT_GE(b.height / b.width, 64) << c.parameter;
        } else if (c.kind == "OnButton" || c.kind == "KickButton") {
            EXPECT_EQ(b.height % 2, 0) << c.parameter;
        } else if (c.kind == "Selector" || c.kind == "UpDownPreset" || c.kind == "PresetSelector") {
            EXPECT_EQ(b.height % 3, 0) << c.parameter;
            if (c.kind == "PresetSelector") {
                EXPECT_EQ(b.height / 3, r.bottom - r.top) << c.parameter;
            }
        } else if (c.kind == "VuMeter") {
            // The meter draws both images over its whole rectangle.
            EXPECT_EQ(b.width, r.right - r.left) << c.parameter;
            EXPECT_EQ(b.height, r.bottom - r.top) << c.parameter;
            EXPECT_EQ(image("LevelMeterOff").width, b.width);
            EXPECT_EQ(image("LevelMeterOff").height, b.height);
        } else if (c.kind == "StepSeqVol" || c.kind == "StepSeqTie") {
            // Each bar image covers a bar: the step's width less the 3-pixel gap, the whole height.
            const int barWidth = (r.right - r.left) / 16 - 3;
            for (const char* name : c.kind == "StepSeqVol" ? std::vector<const char*>{"StepSeqMeterActive",
                                                                                      "StepSeqMeterActiveB"}
                                                           : std::vector<const char*>{"StepSeqTieOnOff"}) {
                EXPECT_GE(image(name).width, barWidth) << name;
                EXPECT_GE(image(name).height, r.bottom - r.top) << name;
            }
        }
    }
    EXPECT_EQ(image("XYCursor").width, 9);
    EXPECT_EQ(image("XYCursor").height, 9);
    for (int p = 1; p <= 8; ++p) // the pattern buttons stand 19 pixels apart
        EXPECT_LE(image("PatternBut" + std::to_string(p)).width, 19);
}

TEST_F(DefaultSkin, GlyphStripsMatchTheirWidths)
{
    for (const SkinFontSpec& f : skin.fonts) {
        const gui::RgbaImage& strip = image(f.name);
        int x = 0;
        for (int g = 0; g < f.glyphCount; ++g) {
            const int w = f.widths[static_cast<std::size_t>(g)];
            int ink = 0;
            for (int y = 0; y < strip.height; ++y)
                for (int dx = 0; dx < w && x + dx < strip.width; ++dx)
                    ink += strip.pixel(x + dx, y)[3] > 96 ? 1 : 0;
            const char c = f.characters[static_cast<std::size_t>(g)];
            if (c == ' ') {
                EXPECT_EQ(ink, 0) << f.name;
            } else {
                EXPECT_GT(ink, 0) << f.name << " '" << c << "'";
            }
            x += w;
        }
        EXPECT_EQ(x, strip.width) << f.name;
        // Every printable character, so that no text shows a gap.
        EXPECT_EQ(f.glyphCount, 95) << f.name;
    }
}

class DefaultSkinOpen : public EditorTest
{
};

TEST_F(DefaultSkinOpen, EveryLineBuildsItsControlAndSelectorTextsFit)
{
    setenv("ORVANE_FACTORY_DIR", (fs::path(ORVANE_BINARY_DIR) / "data").c_str(), 1);
    fs::remove_all(skin); // the editor seeds the data folder from the build's skin
    EditorRig<OrvaneEditor> rig;
    ASSERT_TRUE(rig.open());
    SkinDescription description;
    ASSERT_TRUE(description.readFile((skin / "SkinParameters.txt").string()));
    KsPlugin* engine = rig.shell.getEngine();
    const SkinFont* font = rig.editor->getSkinFont(description.fonts.front().name.c_str());
    ASSERT_NE(font, nullptr);
    for (const SkinControlSpec& c : description.controls) {
        const int index = engine->parameterIndex(c.parameter.c_str());
        ASSERT_NE(rig.editor->getControl(index), nullptr) << c.parameter << " (" << c.kind << ")";
        auto* selector = dynamic_cast<ScrollSelector*>(rig.editor->getControl(index));
        if (!selector) continue;
        const CRect& r = selector->getViewSize();
        const int room = r.right - r.left - 2 * selector->getArrowWidth() - 5;
        for (int e = 0; e < selector->getEntryCount(); ++e) {
            int width = 0;
            for (char ch : selector->getEntryText(e)) {
                const int g = font->glyphOf(ch);
                width += g < 0 ? 6 : font->widths[g];
            }
            EXPECT_LE(width, room) << c.parameter << ": " << selector->getEntryText(e);
        }
    }
}

} // namespace
