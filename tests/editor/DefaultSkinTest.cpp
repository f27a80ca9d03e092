// The built-in skin as the build draws it, opened by the product editor: every name the editor
// looks up is there, every parameter a user sets has exactly one control, the controls lie inside
// the window without covering each other and where the pictures behind them were drawn, the
// bitmaps have the frame layout their kinds read, the glyph strips match their measured widths,
// and every selector entry fits between its arrows.
#include "EditorTestSupport.h"
#include "editor/OrvaneEditor.h"
#include "editor/ScrollSelector.h"
#include "editor/SkinDescription.h"
#include "tools/orvane-skingen/SkinLayout.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace
{

using namespace edtest;

class DefaultSkin : public EditorTest
{
  protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        // The editor seeds the empty data folder from the build's skin.
        setenv("ORVANE_FACTORY_DIR", (fs::path(ORVANE_BINARY_DIR) / "data").c_str(), 1);
        fs::remove_all(skin);
        rig = std::make_unique<EditorRig<OrvaneEditor>>();
        ASSERT_TRUE(rig->open()) << "the built-in skin did not open";
        ASSERT_TRUE(description.readFile((skin / "SkinParameters.txt").string()));
        for (const std::string& name : description.bitmaps) {
            gui::RgbaImage image;
            ASSERT_TRUE(gui::readPngFile((skin / (name + ".png")).string(), image)) << name;
            images[name] = std::move(image);
        }
    }
    void TearDown() override
    {
        rig.reset();
        EditorTest::TearDown();
    }

    int index(const std::string& name) const { return rig->shell.getEngine()->parameterIndex(name.c_str()); }
    CControl* control(const SkinControlSpec& line) const
    {
        return rig->editor->getControl(index(line.parameter));
    }
    const gui::RgbaImage& image(const std::string& name) const { return images.at(name); }

    std::unique_ptr<EditorRig<OrvaneEditor>> rig;
    SkinDescription description;
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
        EXPECT_NE(rig->editor->getSkinBitmap(name.c_str()), nullptr) << name;
    for (const char* name : {"FontDisplay", "FontVersion"})
        EXPECT_NE(rig->editor->getSkinFont(name), nullptr) << name;
    for (const char* name :
         {"XYLineR", "XYLineG", "XYLineB", "XYLineA", "RadioButSrcYSpace", "SelectorButtonWidthSmall"}) {
        EXPECT_GE(rig->editor->getSkinParameter(name), 0) << name;
        EXPECT_LE(rig->editor->getSkinParameter(name), 255) << name;
    }
    // The pad's lines must show: not (nearly) transparent.
    EXPECT_GT(rig->editor->getSkinParameter("XYLineA"), 64);
}

TEST_F(DefaultSkin, EveryUserParameterHasExactlyOneControl)
{
    std::map<int, int> lines;
    for (const SkinControlSpec& c : description.controls) {
        ASSERT_GE(index(c.parameter), 0) << c.parameter;
        ++lines[index(c.parameter)];
        EXPECT_NE(control(c), nullptr) << c.parameter << " (" << c.kind << ") has no control";
    }
    std::vector<int> wanted;
    for (int i = 0; i <= 50; ++i)
        wanted.push_back(i);
    for (const char* name : {"Unused", "Randomize", "ParamDisplay", "MorphSquare", "LevelMeterL",
                             "LevelMeterR", "StepSeqVol", "StepSeqTie", "CurrentPattern", "SeqFilterStartClk",
                             "SeqPanStartClk", "SeqTGateStartClk", "SeqPatternCopy", "SeqPatternPaste",
                             "VersionDisplay", "GlobalMenu", "StepSeqMenu", "UpDownPreset", "InfoLink"})
        wanted.push_back(index(name));
    for (int i : wanted)
        EXPECT_EQ(lines[i], 1) << rig->shell.getEngine()->parameter(i)->name;
    EXPECT_EQ(lines.size(), wanted.size());
}

TEST_F(DefaultSkin, ControlsLieWhereTheirPicturesAreWithoutCoveringEachOther)
{
    const skingen::SkinLayout layout = skingen::skinLayout();
    ASSERT_EQ(layout.controls.size(), description.controls.size());
    const CRect window(0, 0, image("Background").width, image("Background").height);
    std::vector<std::pair<std::string, CRect>> placed;
    for (std::size_t i = 0; i < description.controls.size(); ++i) {
        const SkinControlSpec& line = description.controls[i];
        ASSERT_NE(control(line), nullptr) << line.parameter;
        const CRect r = control(line)->getViewSize();
        EXPECT_EQ(r.intersect(window), r) << line.parameter << " leaves the window";
        EXPECT_FALSE(r.isEmpty()) << line.parameter;
        // Captions and plates were drawn around the rectangle the layout expects.
        const skingen::Rect drawn = skingen::controlRect(layout.controls[i], layout);
        const CRect expected(drawn.left, drawn.top, drawn.right, drawn.bottom);
        if (line.kind == "VersionDisplay") // as wide as its text, ending at the same right edge
            EXPECT_EQ(r.intersect(expected), r) << line.parameter;
        else
            EXPECT_EQ(r, expected) << line.parameter;
        placed.emplace_back(line.parameter, r);
    }
    // Only the program read-out lies on purpose over the middle of the preset bar.
    const std::set<std::pair<std::string, std::string>> allowed = {{"Unused", "ParamDisplay"}};
    for (std::size_t i = 0; i < placed.size(); ++i)
        for (std::size_t j = i + 1; j < placed.size(); ++j)
            if (!placed[i].second.intersect(placed[j].second).isEmpty()) {
                EXPECT_EQ(allowed.count({placed[i].first, placed[j].first}), 1u)
                    << placed[i].first << " covers " << placed[j].first;
            }
}

TEST_F(DefaultSkin, BitmapsHaveTheFramesTheirKindsRead)
{
    for (const SkinControlSpec& c : description.controls) {
        const gui::RgbaImage& b = image(c.bitmap);
        const CRect r = control(c)->getViewSize();
        if (c.kind == "Knob") {
            EXPECT_EQ(b.height % b.width, 0) << c.parameter;
            EXPECT_GE(b.height / b.width, 64) << c.parameter;
        } else if (c.kind == "OnButton" || c.kind == "KickButton") {
            EXPECT_EQ(b.height % 2, 0) << c.parameter;
        } else if (c.kind == "Selector" || c.kind == "UpDownPreset" || c.kind == "PresetSelector") {
            EXPECT_EQ(b.height % 3, 0) << c.parameter;
            EXPECT_EQ(b.height / 3, r.bottom - r.top) << c.parameter;
        } else if (c.kind == "VuMeter") {
            // The meter draws its on and off images over its whole rectangle.
            for (const char* name : {c.bitmap.c_str(), "LevelMeterOff"}) {
                EXPECT_EQ(image(name).width, r.right - r.left) << name;
                EXPECT_EQ(image(name).height, r.bottom - r.top) << name;
            }
        } else if (c.kind == "StepSeqVol" || c.kind == "StepSeqTie") {
            // Each bar image covers a bar: the step's width less the 3-pixel gap, the whole height.
            const int barWidth = (r.right - r.left) / 16 - 3;
            const std::vector<const char*> bars =
                c.kind == "StepSeqVol" ? std::vector<const char*>{"StepSeqMeterActive", "StepSeqMeterActiveB"}
                                       : std::vector<const char*>{"StepSeqTieOnOff"};
            for (const char* name : bars) {
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
    ASSERT_EQ(description.fonts.size(), 3u);
    for (const SkinFontSpec& f : description.fonts) {
        const gui::RgbaImage& strip = image(f.name);
        // Every printable character, so that no text shows a gap.
        EXPECT_EQ(f.glyphCount, 95) << f.name;
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
    }
}

TEST_F(DefaultSkin, SelectorTextsFitBetweenTheArrows)
{
    // Selectors draw with the first font of the skin.
    const SkinFont* font = rig->editor->getSkinFont(description.fonts.front().name.c_str());
    ASSERT_NE(font, nullptr);
    int selectors = 0;
    for (const SkinControlSpec& c : description.controls) {
        auto* selector = dynamic_cast<ScrollSelector*>(control(c));
        if (!selector) continue;
        ++selectors;
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
    EXPECT_EQ(selectors, 5);
}

} // namespace
