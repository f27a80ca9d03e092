// The built-in skin as the build draws it, opened by the product editor.
#include "EditorTestSupport.h"
#include "editor/OrvaneEditor.h"
#include "editor/ScrollSelector.h"
#include "editor/SkinDescription.h"
#include "tools/orvane-skingen/SkinLayout.h"

#include <sys/wait.h>

#include <cmath>
#include <iterator>
#include <map>
#include <numeric>
#include <set>

namespace
{

using namespace edtest;

std::string quoted(const std::string& text)
{
    std::string out(1, '\''); // built in steps: g++ 12 warns falsely (-Wrestrict) otherwise
    return (out += text) += '\'';
}

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

    // Pixels in which the frames at rows top1 and top2 (each h high) of a bitmap differ.
    int framesDiffer(const std::string& name, int top1, int top2, int h) const
    {
        const gui::RgbaImage& b = image(name);
        int differ = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < b.width; ++x)
                differ +=
                    std::equal(b.pixel(x, top1 + y), b.pixel(x, top1 + y) + 4, b.pixel(x, top2 + y)) ? 0 : 1;
        return differ;
    }
    // Width of a text drawn with a skin font (a missing glyph leaves 6 pixels).
    static int textWidth(const SkinFont& font, const std::string& text)
    {
        int width = 0;
        for (char ch : text) {
            const int g = font.glyphOf(ch);
            width += g < 0 ? 6 : font.widths[g];
        }
        return width;
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

// The bitmaps and fonts the editor looks up by name are checked by the tests that measure them.
TEST_F(DefaultSkin, EverySkinParameterTheEditorLooksUpIsThere)
{
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
    std::vector<int> wanted(51);
    std::iota(wanted.begin(), wanted.end(), 0);
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
        } else if (c.kind == "OnButton" || c.kind == "Switch" || c.kind == "KickButton") {
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
            EXPECT_EQ(ink > 0, c != ' ') << f.name << " '" << c << "'";
            x += w;
        }
        EXPECT_EQ(x, strip.width) << f.name;
    }
}

TEST_F(DefaultSkin, TextsFitBetweenSelectorArrowsAndInTheirDisplays)
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
        for (int e = 0; e < selector->getEntryCount(); ++e)
            EXPECT_LE(textWidth(*font, selector->getEntryText(e)), room)
                << c.parameter << ": " << selector->getEntryText(e);
    }
    EXPECT_EQ(selectors, 5);
    // Glyph rows are centred in the control: a strip taller than it would spill over.
    for (const auto& [parameter, fontName] :
         {std::pair<const char*, const char*>{"ParamDisplay", "FontDisplay"},
          {"VersionDisplay", "FontVersion"},
          {"MmFilterType", "FontSelector"},
          {"MorphXParam", "FontSelector"}}) {
        const CRect r = rig->editor->getControl(index(parameter))->getViewSize();
        EXPECT_LE(rig->editor->getSkinFont(fontName)->bitmap->getHeight(), r.bottom - r.top) << parameter;
    }
    // Every factory program's name shows whole in the program bar.
    font = rig->editor->getSkinFont("FontDisplay");
    const CRect display = rig->editor->getControl(index("ParamDisplay"))->getViewSize();
    int named = 0;
    for (int p = 0; p < 64; ++p) {
        char name[256] = {};
        rig->shell.getProgramNameIndexed(0, p, name);
        named += name[0] ? 1 : 0;
        EXPECT_LE(textWidth(*font, name), display.right - display.left) << name;
    }
    EXPECT_GT(named, 1) << "the factory bank was not loaded";
}

TEST_F(DefaultSkin, KnobPointersTurnClockwiseAndTheArcGrows)
{
    constexpr double kPi = 3.14159265358979323846;
    for (const char* name : {"Knob", "KnobLarge", "KnobSmall"}) {
        const gui::RgbaImage& strip = image(name);
        const int size = strip.width, frames = strip.height / strip.width;
        int lastArc = -1;
        for (const double value : {0.0, 0.25, 0.5, 0.75, 1.0}) {
            const int frame = static_cast<int>(std::lround(value * (frames - 1)));
            // Bright along the pointer's direction (7:30 at 0, 12:00 at 0.5, 4:30 at 1), dark opposite it.
            const double angle = 0.75 * kPi + 1.5 * kPi * value, d = 0.2 * size;
            const auto lightAt = [&](double a) {
                const int x = static_cast<int>(size / 2.0 + d * std::cos(a));
                const int y = frame * size + static_cast<int>(size / 2.0 + d * std::sin(a));
                const std::uint8_t* px = strip.pixel(x, y);
                return (px[0] + px[1] + px[2]) / 3;
            };
            EXPECT_GT(lightAt(angle), 150) << name << " at " << value;
            EXPECT_LT(lightAt(angle + kPi), 110) << name << " at " << value;
            // The value arc: accent pixels, more of them as the value grows.
            int arc = 0;
            for (int y = frame * size; y < (frame + 1) * size; ++y)
                for (const std::uint8_t* px = strip.pixel(0, y); px != strip.pixel(0, y) + 4 * size; px += 4)
                    arc += px[0] > 200 && px[1] > 90 && px[1] < 190 && px[2] < 110 ? 1 : 0;
            EXPECT_GT(arc, lastArc) << name << " at " << value;
            lastArc = arc;
        }
    }
}

TEST_F(DefaultSkin, StatesOfButtonsAndArrowsLookDifferent)
{
    std::set<std::string> twoFrames = {"ButtonSrcLfo", "ButtonSrcSeq"};
    for (int p = 1; p <= 8; ++p)
        twoFrames.insert("PatternBut" + std::to_string(p));
    for (const SkinControlSpec& c : description.controls)
        if (c.kind == "OnButton" || c.kind == "Switch" || c.kind == "KickButton") twoFrames.insert(c.bitmap);
    for (const std::string& name : twoFrames) {
        const int h = image(name).height / 2;
        EXPECT_GT(framesDiffer(name, 0, h, h), image(name).width * h / 5) << name;
    }
    // Held arrows (selectors, the preset bar, up/down) light up in frames 1 and 2.
    for (const char* name : {"Selector", "SelectorSmall", "PresetBar", "UpDown"}) {
        const int h = image(name).height / 3;
        EXPECT_GT(framesDiffer(name, 0, h, h), 0) << name;
        EXPECT_GT(framesDiffer(name, 0, 2 * h, h), 0) << name;
        EXPECT_GT(framesDiffer(name, h, 2 * h, h), 0) << name;
    }
}

// The generator run as the build runs it: the same skin every time, and a clear refusal without fonts.
TEST_F(DefaultSkin, TheGeneratorRepeatsItselfAndRefusesMissingFonts)
{
    const std::string tool = std::string(ORVANE_BINARY_DIR) + "/bin/orvane-skingen";
    const fs::path fresh = root / "fresh";
    const auto run = [&](const std::string& arguments) {
        const int raw = std::system((tool + " " + arguments + " > /dev/null 2>&1").c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    };
    const auto bytes = [](const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const fs::path built = fs::path(ORVANE_BINARY_DIR) / "data" / "Skins" / "default";
    ASSERT_EQ(run(quoted(fresh.string()) + " --fonts " + quoted(ORVANE_DEJAVU_DIR)), 0);
    int files = 0;
    for (const auto& entry : fs::directory_iterator(built)) {
        ++files;
        EXPECT_EQ(bytes(entry.path()), bytes(fresh / entry.path().filename())) << entry.path().filename();
    }
    EXPECT_EQ(files,
              static_cast<int>(std::distance(fs::directory_iterator(fresh), fs::directory_iterator())));
    // The editor knows a built-in skin (to refresh it on upgrades) by how its description begins.
    EXPECT_EQ(bytes(built / "SkinParameters.txt").rfind(KsEditor::kBuiltInSkinStart, 0), 0u);

    // Refused: no folder, an unknown option, no fonts.
    const std::string refused = quoted((root / "refused").string());
    for (const auto& [arguments, status] : {std::pair<std::string, int>{"", 2},
                                            {refused + " --colour red", 2},
                                            {refused + " --fonts " + quoted((root / "none").string()), 1}}) {
        EXPECT_EQ(run(arguments), status) << arguments;
        EXPECT_FALSE(fs::exists(root / "refused" / "SkinParameters.txt")) << arguments;
    }
}

} // namespace
