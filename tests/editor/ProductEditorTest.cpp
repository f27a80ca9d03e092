// The product editor with the built-in skin (seeded from the build into a private data folder) in a
// headless window: every control of the skin, and the product's rules between controls, engine and
// host. Controls are found through their parameters, not where the skin places them.
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
#include <map>
#include <numeric>
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
    void TearDown() override { unsetenv("ORVANE_FACTORY_DIR"); }

    int index(const std::string& name) const { return engine->parameterIndex(name.c_str()); }
    CControl* control(const std::string& name) const { return rig->editor->getControl(index(name)); }
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

    fs::path root, skin;
    std::unique_ptr<EditorRig<OrvaneEditor>> rig;
    KsPlugin* engine = nullptr;
    SkinDescription description;
};
using DefaultSkin = ProductEditor;

TEST_F(ProductEditor, FilterMenuWritesTheTypeNumberAndShowsTheHostsType)
{
    // Entry chosen, what the host hears, a type the host sends back, the entry shown for it.
    const std::tuple<int, const char*, float, int> cases[] = {{6, "MmFilterType=0.33", 0.33f, 6},
                                                              {1, "MmFilterType=0.03", 0.03f, 1},
                                                              {32, "MmFilterType=0.32", 0.02f, 4}};
    auto* types = dynamic_cast<ScrollSelector*>(control("MmFilterType"));
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
        {"", "TranceGateOn", 1, "TranceGateOn=1", "SeqPat5TGateOn=1 @SeqTGateStartClk=1"},
        {"", "CutoffModOn", 1, "MmFilterOn=1 CutoffModOn=1", "MmFilterOn=1"},
        {"", "SeqFilterStartClk", 1, "SeqFilterStartClk=1",
         "MmFilterOn=1 CutoffModOn=1 CutoffModSource=0.01 SeqPat5FiltOn=1"},
        {"CutoffModSource=0.01 SeqPat5FiltOn=1 SeqPat2FiltOn=1", "SeqFilterStartClk", 0,
         "SeqFilterStartClk=0", "CutoffModSource=0.01 SeqPat5FiltOn=0 SeqPat2FiltOn=1"},
        {"", "SeqPanStartClk", 1, "SeqPanStartClk=1", "PanOn=1 PanSource=0.01 SeqPat5PanOn=1"},
        {"", "SeqTGateStartClk", 1, "SeqTGateStartClk=1", "TranceGateOn=1 SeqPat5TGateOn=1"},
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
}

TEST_F(ProductEditor, MetersFollowThePeaksAtMostEvery60ms)
{
    const float e = std::pow(0.25f, OrvaneEditor::kMeterExponent);
    // Peaks left and right, milliseconds waited, metering switch, the meters' values after one idle.
    const std::tuple<float, float, uint32_t, bool, float, float> steps[] = {
        {0.25f, 0, 61, true, e, 0},       {0, 0, 30, true, e, 0}, // too soon
        {0, 0, 31, true, 0, 0},           {0.25f, 0.25f, 100, false, 0, 0}, {0.25f, 0.25f, 100, true, e, e},
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
    for (const char* name : {"ReverbOn", "SeqPanStartClk"}) {
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
            EXPECT_EQ(engine->getParameter(index(name)), expected);
        }
        EXPECT_NE(hostHeard().find(std::string(name) + "=0"), std::string::npos);
    }
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

} // namespace
