// The product editor with the built-in skin (seeded from the build into a private data folder) in a
// headless window: the skin's controls and pictures, and the product's rules between controls, engine
// and host. Controls are found through their parameters, not where the skin places them.
#include "EditorTestSupport.h"

#include "editor/CXYControlSurface.h"
#include "editor/OrvaneEditor.h"
#include "editor/ScrollSelector.h"
#include "editor/SkinDescription.h"
#include "editor/StepSeq.h"
#include "editor/VuMeterS.h"
#include "engine/ParameterTable.h"
#include "engine/Random.h"

#include <cmath>
#include <iterator>
#include <map>
#include <numeric>
#include <set>
#include <sstream>

namespace
{

using namespace edtest;

class ProductEditor : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root = fs::path(ORVANE_BINARY_DIR) / "test-scratch" / "product-editor" / info->name();
        fs::remove_all(root);
        setenv("XDG_DATA_HOME", (root / "home").c_str(), 1);
        setenv("ORVANE_FACTORY_DIR", (fs::path(ORVANE_BINARY_DIR) / "data").c_str(), 1);
        rig = std::make_unique<EditorRig<OrvaneEditor>>(&recordingHost);
        ASSERT_TRUE(rig->open()) << "the built-in skin did not open";
        engine = rig->shell.getEngine();
        skin = root / "home" / "Tirsk Audio" / "OrvaneData" / "Skins" / "default";
        ASSERT_TRUE(description.readFile((skin / "SkinParameters.txt").string()));
        // The one refresh after start-up is over before a test begins (it is once per process).
        idle(OrvaneEditor::kStartupIdleCalls + 1);
        hostCalls.clear();
    }
    void TearDown() override
    {
        rig.reset();
        hostCalls.clear();
        unsetenv("ORVANE_FACTORY_DIR");
    }

    int index(const std::string& name) const { return engine->parameterIndex(name.c_str()); }
    float param(const char* name) const { return engine->getParameter(index(name)); }
    CControl* control(const std::string& name) const { return rig->editor->getControl(index(name)); }
    ScrollSelector* selector(const char* name) const { return dynamic_cast<ScrollSelector*>(control(name)); }
    // What a control does when the user moves it to v: the value, then the editor hears of it.
    void change(const char* name, float v)
    {
        CControl* c = control(name);
        ASSERT_NE(c, nullptr) << name;
        c->setValue(v);
        rig->editor->valueChanged(c);
    }
    void hostSets(const char* name, float v) { rig->shell.setParameter(index(name), v); }
    void idle(int calls = 1)
    {
        for (int i = 0; i < calls; ++i)
            rig->editor->idle();
    }
    // Settings are "Name=value" words; a leading '@' means what the control shows.
    void engineSets(const std::string& settings, bool zero = false)
    {
        std::istringstream words(settings);
        for (std::string w; words >> w;)
            engine->setParameter(index(w.substr(0, w.find('='))),
                                 zero ? 0.0f : std::stof(w.substr(w.find('=') + 1)));
    }
    void expectSettings(const std::string& settings)
    {
        std::istringstream words(settings);
        for (std::string w; words >> w;) {
            const bool shown = w[0] == '@';
            const std::string name = w.substr(shown, w.find('=') - shown);
            EXPECT_FLOAT_EQ(shown ? control(name)->getValue() : engine->getParameter(index(name)),
                            std::stof(w.substr(w.find('=') + 1)))
                << w;
        }
    }
    // The automated writes the host heard since the last call, as "Name=value" words.
    std::vector<std::string> automations()
    {
        std::vector<std::string> words;
        for (const HostCall& c : hostCalls)
            if (c.opcode == audioMasterAutomate) {
                std::ostringstream word;
                word << parameterInfo(c.index).name << "=" << c.value;
                words.push_back(word.str());
            }
        hostCalls.clear();
        return words;
    }
    std::string hostHeard() { return joined(automations(), " "); }
    std::vector<float> programValues() const
    {
        std::vector<float> values;
        for (int i = 0; i < engine->automatableCount; ++i)
            values.push_back(engine->getParameter(i));
        return values;
    }
    // A bitmap of the skin, read once.
    const gui::RgbaImage& image(const std::string& name)
    {
        if (!images.count(name)) {
            EXPECT_TRUE(gui::readPngFile((skin / (name + ".png")).string(), images[name])) << name;
        }
        return images[name];
    }
    // Pixels in which the frames at rows top1 and top2 (each h high) of a bitmap differ.
    int framesDiffer(const std::string& name, int top1, int top2, int h)
    {
        const gui::RgbaImage& b = image(name);
        int differ = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < b.width; ++x)
                differ += !std::equal(b.pixel(x, top1 + y), b.pixel(x, top1 + y) + 4, b.pixel(x, top2 + y));
        return differ;
    }
    // Width of a text drawn with a skin font (a missing glyph leaves 6 pixels).
    static int textWidth(const SkinFont& font, const std::string& text)
    {
        int width = 0;
        for (char ch : text)
            width += font.glyphOf(ch) < 0 ? 6 : font.widths[font.glyphOf(ch)];
        return width;
    }

    fs::path root, skin;
    std::unique_ptr<EditorRig<OrvaneEditor>> rig;
    KsPlugin* engine = nullptr;
    SkinDescription description;
    std::map<std::string, gui::RgbaImage> images;
};
using DefaultSkin = ProductEditor;

TEST_F(ProductEditor, SelectorMenusComeFromTheEngineTables)
{
    // Menu entry <-> type number; types out of range show as the nearest type.
    const std::pair<int, int> entryType[] = {{0, 0}, {1, 3}, {2, 1}, {3, 4},   {4, 2},  {5, 5},   {6, 33},
                                             {7, 6}, {8, 7}, {9, 8}, {10, 10}, {11, 9}, {12, 12}, {32, 32}};
    for (const auto& [entry, type] : entryType) {
        EXPECT_EQ(OrvaneEditor::filterTypeOfEntry(entry), type) << entry;
        EXPECT_EQ(OrvaneEditor::filterEntryOfType(type), entry) << type;
    }
    EXPECT_EQ(OrvaneEditor::filterEntryOfType(11), 11);
    EXPECT_EQ(OrvaneEditor::filterEntryOfType(-3), 0);
    EXPECT_EQ(OrvaneEditor::filterEntryOfType(1000), 6);
    EXPECT_EQ(OrvaneEditor::filterTypeOfEntry(33), -1);

    // Each selector lists its engine table: the count, and an entry deep inside it.
    const std::tuple<const char*, int, int, const char*> menus[] = {
        {"MmFilterType", 33, 14, "Bit Red"},  {"PanShape", 10, 9, "Inverted Square"},
        {"CutoffModShape", 10, 2, "Ramp Up"}, {"MorphXParam", 23, 9, "FlangerFbck"},
        {"MorphYParam", 23, 21, "PanDepth"},
    };
    for (const auto& [name, count, entry, text] : menus) {
        ScrollSelector* s = selector(name);
        ASSERT_NE(s, nullptr) << name;
        EXPECT_EQ(s->getEntryCount(), count) << name;
        EXPECT_EQ(s->getEntryText(entry), text) << name;
    }
    EXPECT_EQ(selector("MorphXParam")->getArrowWidth(),
              rig->editor->getSkinParameter("SelectorButtonWidthSmall"));
}

TEST_F(ProductEditor, FilterMenuWritesTheTypeNumberAndShowsTheHostsType)
{
    // Entry chosen, what the host hears, a type the host sends back, the entry shown for it.
    const std::tuple<int, const char*, float, int> cases[] = {{6, "MmFilterType=0.33", 0.33f, 6},
                                                              {1, "MmFilterType=0.03", 0.03f, 1},
                                                              {11, "MmFilterType=0.09", 0.11f, 11},
                                                              {32, "MmFilterType=0.32", 0.02f, 4}};
    ScrollSelector* types = selector("MmFilterType");
    ASSERT_NE(types, nullptr);
    for (const auto& [entry, heard, hostType, shown] : cases) {
        types->selectEntry(entry);
        rig->editor->valueChanged(types);
        EXPECT_EQ(hostHeard(), heard);
        idle();
        EXPECT_EQ(types->getCurrentEntry(), entry);
        hostSets("MmFilterType", hostType);
        idle();
        EXPECT_EQ(types->getCurrentEntry(), shown);
    }
    // The shape and target selectors write their own value, but never 1.0.
    change("PanShape", 0.04f);
    change("MorphXParam", 1.0f);
    EXPECT_EQ(hostHeard(), "PanShape=0.04");
}

TEST_F(ProductEditor, CouplingRulesAndWhatTheHostHears)
{
    // The current pattern is 5 ("SeqPat5..." flags). Writes to the engine alone are not heard.
    // Set in the engine first, the control and its value, what the host hears, the settings after the
    // write came back in the next idle ('@': what a control shows).
    const std::tuple<const char*, const char*, float, const char*, const char*> cases[] = {
        {"", "CutoffModSource", 0.01f, "CutoffModSource=0.01",
         "SeqPat5FiltOn=1 SeqPat1FiltOn=0 @SeqFilterStartClk=1"},
        {"SeqPat7FiltOn=1", "CutoffModSource", 0.01f, "CutoffModSource=0.01",
         "SeqPat5FiltOn=0 @SeqFilterStartClk=0"},
        {"SeqPat5PanOn=1 SeqPat2PanOn=1", "PanSource", 0, "PanSource=0", "SeqPat5PanOn=0 SeqPat2PanOn=1"},
        {"", "PanSource", 0.01f, "PanSource=0.01", "SeqPat5PanOn=1 @SeqPanStartClk=1"},
        {"", "TranceGateOn", 1, "TranceGateOn=1", "SeqPat5TGateOn=1 @SeqTGateStartClk=1"},
        {"SeqPat1TGateOn=1", "TranceGateOn", 1, "TranceGateOn=1", "SeqPat5TGateOn=0 @SeqTGateStartClk=0"},
        {"", "CutoffModOn", 1, "MmFilterOn=1 CutoffModOn=1", "MmFilterOn=1"},
        {"", "SeqFilterStartClk", 1, "SeqFilterStartClk=1",
         "MmFilterOn=1 CutoffModOn=1 CutoffModSource=0.01 SeqPat5FiltOn=1"},
        {"CutoffModSource=0.01 SeqPat5FiltOn=1 SeqPat2FiltOn=1", "SeqFilterStartClk", 0,
         "SeqFilterStartClk=0", "CutoffModSource=0.01 SeqPat5FiltOn=0 SeqPat2FiltOn=1"},
        {"CutoffModSource=0.01 SeqPat5FiltOn=1", "SeqFilterStartClk", 0, "SeqFilterStartClk=0",
         "CutoffModSource=0 SeqPat5FiltOn=0"},
        {"", "SeqPanStartClk", 1, "SeqPanStartClk=1", "PanOn=1 PanSource=0.01 SeqPat5PanOn=1"},
        {"PanSource=0.01 SeqPat5PanOn=1", "SeqPanStartClk", 0, "SeqPanStartClk=0", "PanSource=0"},
        {"", "SeqTGateStartClk", 1, "SeqTGateStartClk=1", "TranceGateOn=1 SeqPat5TGateOn=1"},
        {"TranceGateOn=1 SeqPat5TGateOn=1 SeqPat8TGateOn=1", "SeqTGateStartClk", 0, "SeqTGateStartClk=0",
         "TranceGateOn=1 SeqPat8TGateOn=1"},
        {"TranceGateOn=1 SeqPat5TGateOn=1", "SeqTGateStartClk", 0, "SeqTGateStartClk=0", "TranceGateOn=0"},
    };
    for (const auto& [before, name, value, heard, after] : cases) {
        SCOPED_TRACE(std::string(name) + " " + std::to_string(value) + " after " + before);
        engine->setParameter(index("CurrentPattern"), 0.04f);
        for (int flag = filterChainIndex(0); flag < gateChainIndex(8); ++flag)
            engine->setParameter(flag, 0.0f);
        engineSets(before);
        idle();
        rig->editor->refreshControls(false);
        hostCalls.clear();
        change(name, value);
        EXPECT_EQ(hostHeard(), heard);
        idle();
        expectSettings(after);
        engineSets(before, true);
        engineSets(after, true);
        engineSets(std::string(name) + "=0", true);
        idle();
    }
}

TEST_F(ProductEditor, ReadOutAfterAUserChangeThenTheProgramNameReturns)
{
    const std::string name = rig->editor->displayText();
    ASSERT_FALSE(name.empty());
    hostSets("DistXcita", 0.3f); // a host change alone shows nothing
    idle();
    EXPECT_EQ(rig->editor->displayText(), name);

    change("DistXcita", 0.5f); // the user's change shows once the write comes back
    idle();
    char shown[KsParameter::kTextSize], unit[KsParameter::kTextSize];
    engine->getParameterDisplay(index("DistXcita"), shown);
    engine->getParameterLabel(index("DistXcita"), unit);
    const std::string readOut = std::string(shown) + " " + unit;
    EXPECT_EQ(rig->editor->displayText(), readOut);
    hostSets("PanShape", 0.03f); // a parameter that does not announce itself shows nothing
    idle();
    EXPECT_EQ(rig->editor->displayText(), readOut);

    for (const auto& [ms, text] : {std::pair<uint32_t, std::string>{3000, readOut}, {1, name}}) {
        rig->backend.advance(ms);
        idle();
        EXPECT_EQ(rig->editor->displayText(), text) << ms;
    }
    // A refresh (a program change) forgets the user's touch.
    rig->shell.setProgram(1);
    idle();
    const std::string other = rig->editor->displayText();
    hostSets("DistXcita", 0.7f);
    idle();
    EXPECT_EQ(rig->editor->displayText(), other);
}

TEST_F(ProductEditor, HoldingRandomizeRandomisesOncePerPress)
{
    change("Randomize", 0.0f); // the press memory is process-wide: forget an earlier test's press
    ksSrand(7);
    std::vector<float> last = programValues();
    // Value sent, whether a new patch comes; the host hears every program parameter each time.
    const std::pair<float, bool> presses[] = {{1, true}, {1, false}, {0, false}, {1, true}};
    for (const auto& [v, changes] : presses) {
        hostCalls.clear();
        change("Randomize", v);
        EXPECT_EQ(programValues() != last, changes) << v;
        EXPECT_EQ(static_cast<int>(automations().size()), engine->automatableCount);
        EXPECT_FALSE(engine->masterOff.load());
        last = programValues();
    }
}

TEST_F(ProductEditor, PatternsRebindTheStepsAndTheClipboardCarriesAPattern)
{
    for (int s = 0; s < 16; ++s) {
        engine->setParameter(stepVolumeIndex(0, s), static_cast<float>(s) / 16.0f);
        engine->setParameter(stepTieIndex(0, s), s % 3 == 0 ? 1.0f : 0.0f);
    }
    hostSets("SeqPatternCopy", 1.0f);
    idle();
    hostSets("CurrentPattern", 0.03f);
    hostSets("SeqPatternPaste", 1.0f);
    idle();
    EXPECT_EQ(dynamic_cast<StepSeq*>(control("StepSeqVol"))->getFirstStep(), stepVolumeIndex(3, 0));
    EXPECT_EQ(dynamic_cast<StepSeq*>(control("StepSeqTie"))->getFirstStep(), stepTieIndex(3, 0));
    for (int s = 0; s < 16; ++s) {
        EXPECT_FLOAT_EQ(engine->getParameter(stepVolumeIndex(3, s)), static_cast<float>(s) / 16.0f) << s;
        EXPECT_FLOAT_EQ(engine->getParameter(stepTieIndex(3, s)), s % 3 == 0 ? 1.0f : 0.0f) << s;
    }
    // The clipboard outlives a close and reopen of the window.
    rig->editor->close();
    ASSERT_TRUE(rig->open());
    hostSets("CurrentPattern", 0.06f);
    hostSets("SeqPatternPaste", 0.0f);
    idle();
    EXPECT_FLOAT_EQ(engine->getParameter(stepVolumeIndex(6, 15)), 15.0f / 16.0f);
    EXPECT_EQ(dynamic_cast<StepSeq*>(control("StepSeqVol"))->getFirstStep(), stepVolumeIndex(6, 0));
}

TEST_F(ProductEditor, MetersFollowThePeaksAtMostEvery60ms)
{
    const float e = std::pow(0.25f, OrvaneEditor::kMeterExponent);
    // Peaks left and right, milliseconds waited, metering switch, the meters' values after one idle.
    const std::tuple<float, float, uint32_t, bool, float, float> steps[] = {
        {0.25f, 0, 61, true, e, 0},       {0, 0, 30, true, e, 0},         // too soon
        {0, 0, 31, true, 0, 0},           {0, 0.00005f, 100, true, 0, 0}, // less than one segment
        {0.25f, 0.25f, 100, false, 0, 0}, {0.25f, 0.25f, 100, true, e, e},
        {NAN, INFINITY, 100, true, 0, 1}, // a broken peak never reaches the drawing
    };
    for (const auto& [left, right, ms, on, shownLeft, shownRight] : steps) {
        VuMeterS::setMeteringOn(on);
        engine->peakLeft.store(left);
        engine->peakRight.store(right);
        rig->backend.advance(ms);
        idle();
        EXPECT_FLOAT_EQ(control("LevelMeterL")->getValue(), shownLeft);
        EXPECT_FLOAT_EQ(control("LevelMeterR")->getValue(), shownRight);
    }
    VuMeterS::setMeteringOn(true);
}

TEST_F(ProductEditor, HeldSelectorArrowsRepeatInTheIdle)
{
    ScrollSelector* shapes = selector("CutoffModShape");
    const CRect r = shapes->getFrameRect();
    const CPoint nextArrow(r.right - 2, (r.top + r.bottom) / 2);
    rig->frame()->handleMouseDown(nextArrow, kLButton);
    for (int i = 0; i < 21; ++i) {
        rig->backend.advance(50);
        idle();
    }
    rig->frame()->handleMouseUp(nextArrow, kLButton);
    rig->backend.advance(1000);
    idle();
    // 1050 ms held: the first step and three repeats, each heard by the host.
    EXPECT_EQ(shapes->getCurrentEntry(), 4);
    EXPECT_EQ(hostHeard(), "CutoffModShape=0.01 CutoffModShape=0.02 CutoffModShape=0.03 CutoffModShape=0.04");
}

TEST_F(ProductEditor, TheXYPadFollowsItsTargetSelectors)
{
    auto* pad = dynamic_cast<CXYControlSurface*>(control("MorphSquare"));
    ASSERT_NE(pad, nullptr);
    const std::tuple<const char*, float, const char*, const char*> cases[] = {
        {"MorphXParam", 0.05f, "DistXcita", "MmFilterRes"},
        {"MorphYParam", 0.22f, "DistXcita", "PanRate"},
        {"MorphYParam", 0.23f, "DistXcita", "PanRate"}, // beyond the list: ignored
        {"MorphYParam", 0.02f, "DistXcita", "MmFilterRes"},
    };
    for (const auto& [selectorName, v, x, y] : cases) {
        hostSets(selectorName, v);
        idle();
        EXPECT_EQ(pad->getXTarget(), index(x)) << selectorName << " " << v;
        EXPECT_EQ(pad->getYTarget(), index(y)) << selectorName << " " << v;
    }
    // Moving the pad tells the host both targets; "MorphSquare" itself is not written.
    hostCalls.clear();
    engineSets("DistXcita=0.25 MmFilterRes=0.75");
    rig->editor->valueChanged(pad);
    EXPECT_EQ(hostHeard(), "DistXcita=0.25 MmFilterRes=0.75");
}

// On/off switches (section power, sync, step modes, chain buttons): a second click turns off, and
// the host hears it.
TEST_F(ProductEditor, SwitchesTurnOffAsWellAsOn)
{
    for (const char* name : {"ReverbOn", "DelayRateSync", "SeqVolMode", "SeqPanStartClk"}) {
        SCOPED_TRACE(name);
        engine->setParameter(index(name), 0.0f);
        idle();
        rig->editor->refreshControls(false);
        hostCalls.clear();
        const CRect r = control(name)->getViewSize();
        CPoint at((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        for (const float expected : {1.0f, 0.0f}) {
            rig->frame()->onMouseDown(at, kLButton);
            rig->frame()->onMouseUp(at, kLButton);
            idle();
            EXPECT_EQ(param(name), expected);
        }
        EXPECT_NE(hostHeard().find(std::string(name) + "=0"), std::string::npos);
    }
}

// A skin with none of the product's controls (the small test skin) survives every hook.
TEST_F(EditorTest, ProductHooksToleratePlainSkins)
{
    EditorRig<OrvaneEditor> rig;
    ASSERT_TRUE(rig.open());
    KsPlugin& engine = *rig.shell.getEngine();
    for (int i = -1; i <= engine.parameterCount; ++i) {
        for (float v : {0.0f, 0.01f, 1.0f}) {
            rig.editor->onParameterSet(i, v);
            rig.editor->onControlChanged(i, v);
            rig.editor->showParameterValue(i);
        }
    }
    engine.peakLeft.store(0.5f);
    for (int i = 0; i < OrvaneEditor::kStartupIdleCalls + 2; ++i) {
        rig.backend.advance(100);
        rig.editor->idle();
    }
    rig.editor->refreshControls(true);
    EXPECT_FALSE(rig.editor->displayText().empty());
}

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
        EXPECT_NE(control(c.parameter), nullptr) << c.parameter << " (" << c.kind << ") has no control";
    }
    std::vector<int> wanted(51);
    std::iota(wanted.begin(), wanted.end(), 0);
    for (const char* name : {"Unused", "Randomize", "ParamDisplay", "MorphSquare", "LevelMeterL",
                             "LevelMeterR", "StepSeqVol", "StepSeqTie", "CurrentPattern", "SeqFilterStartClk",
                             "SeqPanStartClk", "SeqTGateStartClk", "SeqPatternCopy", "SeqPatternPaste",
                             "VersionDisplay", "GlobalMenu", "StepSeqMenu", "UpDownPreset", "InfoLink"})
        wanted.push_back(index(name));
    for (int i : wanted)
        EXPECT_EQ(lines[i], 1) << engine->parameter(i)->name;
    EXPECT_EQ(lines.size(), wanted.size());
}

TEST_F(DefaultSkin, ControlsLieInTheWindowWithoutCoveringEachOther)
{
    const CRect window(0, 0, image("Background").width, image("Background").height);
    std::vector<std::pair<std::string, CRect>> placed;
    for (const SkinControlSpec& line : description.controls) {
        ASSERT_NE(control(line.parameter), nullptr) << line.parameter;
        const CRect r = control(line.parameter)->getViewSize();
        EXPECT_EQ(r.intersect(window), r) << line.parameter << " leaves the window";
        EXPECT_FALSE(r.isEmpty()) << line.parameter;
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
        const CRect r = control(c.parameter)->getViewSize();
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
        auto* selector = dynamic_cast<ScrollSelector*>(control(c.parameter));
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
        const CRect r = control(parameter)->getViewSize();
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
        return exitStatus(tool + " " + arguments + " > /dev/null 2>&1");
    };
    const fs::path built = fs::path(ORVANE_BINARY_DIR) / "data" / "Skins" / "default";
    ASSERT_EQ(run(shellQuoted(fresh.string()) + " --fonts " + shellQuoted(ORVANE_DEJAVU_DIR)), 0);
    int files = 0;
    for (const auto& entry : fs::directory_iterator(built)) {
        ++files;
        EXPECT_EQ(readAll(entry.path()), readAll(fresh / entry.path().filename())) << entry.path().filename();
    }
    EXPECT_EQ(files,
              static_cast<int>(std::distance(fs::directory_iterator(fresh), fs::directory_iterator())));
    // The editor knows a built-in skin (to refresh it on upgrades) by how its description begins.
    EXPECT_EQ(readAll(built / "SkinParameters.txt").rfind(KsEditor::kBuiltInSkinStart, 0), 0u);

    // Refused: no folder, an unknown option, no fonts.
    const std::string refused = shellQuoted((root / "refused").string());
    for (const auto& [arguments, status] :
         {std::pair<std::string, int>{"", 2},
          {refused + " --colour red", 2},
          {refused + " --fonts " + shellQuoted((root / "none").string()), 1}}) {
        EXPECT_EQ(run(arguments), status) << arguments;
        EXPECT_FALSE(fs::exists(root / "refused" / "SkinParameters.txt")) << arguments;
    }
}

} // namespace
