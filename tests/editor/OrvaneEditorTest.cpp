// The product editor with the built-in skin in a headless window. Controls are found through
// their parameters, so the tests do not depend on where the skin places them.
#include "EditorTestSupport.h"

#include "editor/CXYControlSurface.h"
#include "editor/OrvaneEditor.h"
#include "editor/ScrollSelector.h"
#include "editor/StepSeq.h"
#include "editor/VuMeterS.h"
#include "engine/ParameterTable.h"
#include "engine/Random.h"

#include <cmath>
#include <sstream>

namespace
{

using namespace edtest;

std::vector<std::string>* hostEvents = nullptr;

// Automated writes as "Name=value" words.
VstIntPtr recordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float value)
{
    if (hostEvents && opcode == audioMasterAutomate) {
        std::ostringstream word;
        word << parameterInfo(index).name << "=" << value;
        hostEvents->push_back(word.str());
    }
    return 0;
}

class ProductEditor : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const fs::path root = fs::path(ORVANE_BINARY_DIR) / "test-scratch" / "product-editor" / info->name();
        fs::remove_all(root);
        setenv("XDG_DATA_HOME", (root / "home").c_str(), 1);
        setenv("ORVANE_FACTORY_DIR", (fs::path(ORVANE_BINARY_DIR) / "data").c_str(), 1);
        hostEvents = &events;
        rig = std::make_unique<EditorRig<OrvaneEditor>>(&recordingHost);
        ASSERT_TRUE(rig->open()) << "the built-in skin did not open";
        engine = rig->shell.getEngine();
        // The one refresh after start-up is over before a test begins (it is once per process).
        idle(OrvaneEditor::kStartupIdleCalls + 1);
        events.clear();
    }
    void TearDown() override
    {
        rig.reset();
        hostEvents = nullptr;
        unsetenv("ORVANE_FACTORY_DIR");
    }

    int index(const std::string& name) const { return engine->parameterIndex(name.c_str()); }
    float param(const char* name) const { return engine->getParameter(index(name)); }
    CControl* control(const char* name) const { return rig->editor->getControl(index(name)); }
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
            EXPECT_FLOAT_EQ(shown ? control(name.c_str())->getValue() : engine->getParameter(index(name)),
                            std::stof(w.substr(w.find('=') + 1)))
                << w;
        }
    }
    std::string hostHeard()
    {
        std::string heard;
        for (const std::string& e : events)
            heard += (heard.empty() ? "" : " ") + e;
        events.clear();
        return heard;
    }
    std::vector<float> programValues() const
    {
        std::vector<float> values;
        for (int i = 0; i < engine->automatableCount; ++i)
            values.push_back(engine->getParameter(i));
        return values;
    }

    std::vector<std::string> events;
    std::unique_ptr<EditorRig<OrvaneEditor>> rig;
    KsPlugin* engine = nullptr;
};

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

    // Selector, entry count, then entry:text pairs.
    const std::vector<std::string> menus[] = {
        {"MmFilterType", "33", "0:LP2 BQ", "5:HP2 Fat", "6:Formant", "14:Bit Red", "32:HP4 MG HQ"},
        {"PanShape", "10", "0:Sine", "5:Random Square", "9:Inverted Square"},
        {"CutoffModShape", "10", "2:Ramp Up", "8:Inverted Triangle"},
        {"MorphXParam", "23", "0:MmFilterMix", "3:FiltModDepth", "5:EnhXcita", "9:FlangerFbck", "22:PanRate"},
        {"MorphYParam", "23", "11:DelayFbck", "21:PanDepth"},
    };
    for (const auto& m : menus) {
        ScrollSelector* s = selector(m[0].c_str());
        ASSERT_NE(s, nullptr) << m[0];
        EXPECT_EQ(s->getEntryCount(), std::stoi(m[1])) << m[0];
        for (std::size_t i = 2; i < m.size(); ++i)
            EXPECT_EQ(s->getEntryText(std::stoi(m[i])), m[i].substr(m[i].find(':') + 1)) << m[0];
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
    struct Case {
        const char* before; // set in the engine first
        const char* control;
        float value;
        const char* heard;
        const char* after; // after the write came back in the next idle; '@': what a control shows
    };
    const Case cases[] = {
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
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.control) + " " + std::to_string(c.value) + " after " + c.before);
        engine->setParameter(index("CurrentPattern"), 0.04f);
        for (int flag = filterChainIndex(0); flag < gateChainIndex(8); ++flag)
            engine->setParameter(flag, 0.0f);
        engineSets(c.before);
        idle();
        rig->editor->refreshControls(false);
        events.clear();
        change(c.control, c.value);
        EXPECT_EQ(hostHeard(), c.heard);
        idle();
        expectSettings(c.after);
        engineSets(c.before, true);
        engineSets(c.after, true);
        engineSets(std::string(c.control) + "=0", true);
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
        events.clear();
        change("Randomize", v);
        EXPECT_EQ(programValues() != last, changes) << v;
        EXPECT_EQ(static_cast<int>(events.size()), engine->automatableCount);
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
    events.clear();
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
        events.clear();
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

} // namespace
