// The product editor with the built-in skin in a headless window: the selector tables, the
// coupling between related parameters, what reaches the host, the value read-out, the meters,
// the idle work and the pattern clipboard. Controls are found through their parameters, so the
// tests do not depend on where the skin places them.
#include "EditorTestSupport.h"

#include "editor/CXYControlSurface.h"
#include "editor/OrvaneEditor.h"
#include "editor/ScrollSelector.h"
#include "editor/StepSeq.h"
#include "editor/VuMeterS.h"
#include "engine/ParameterTable.h"
#include "engine/Random.h"

#include <cmath>
#include <string>
#include <vector>

namespace
{

using namespace edtest;

struct HostEvent {
    int opcode;
    int index;
    float value;
    bool operator==(const HostEvent&) const = default;
};
std::vector<HostEvent>* hostEvents = nullptr;

VstIntPtr recordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float value)
{
    if (hostEvents &&
        (opcode == audioMasterAutomate || opcode == audioMasterBeginEdit || opcode == audioMasterEndEdit))
        hostEvents->push_back({opcode, index, opcode == audioMasterAutomate ? value : 0.0f});
    return 0;
}

HostEvent automate(int index, float value)
{
    return {audioMasterAutomate, index, value};
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

    int index(const char* name) const { return engine->parameterIndex(name); }
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
    // A host (or the shell) writes a parameter; the editor learns it in its next idle.
    void hostSets(const char* name, float v) { rig->shell.setParameter(index(name), v); }
    void idle(int calls = 1)
    {
        for (int i = 0; i < calls; ++i)
            rig->editor->idle();
    }
    void wait(uint32_t ms) { rig->backend.advance(ms); }
    std::vector<float> programValues() const
    {
        std::vector<float> values;
        for (int i = 0; i < engine->automatableCount; ++i)
            values.push_back(engine->getParameter(i));
        return values;
    }

    std::vector<HostEvent> events;
    std::unique_ptr<EditorRig<OrvaneEditor>> rig;
    KsPlugin* engine = nullptr;
};

TEST_F(ProductEditor, SelectorMenusComeFromTheEngineTables)
{
    // Menu entry -> type number written, and type number -> entry shown.
    const std::pair<int, int> entryToType[] = {{0, 0}, {1, 3}, {2, 1}, {3, 4},   {4, 2},  {5, 5},   {6, 33},
                                               {7, 6}, {8, 7}, {9, 8}, {10, 10}, {11, 9}, {12, 12}, {32, 32}};
    for (const auto& [entry, type] : entryToType) {
        EXPECT_EQ(OrvaneEditor::filterTypeOfEntry(entry), type) << entry;
        EXPECT_EQ(OrvaneEditor::filterEntryOfType(type), entry) << type;
    }
    const std::pair<int, int> typeToEntry[] = {{11, 11}, {-3, 0}, {34, 6}, {1000, 6}};
    for (const auto& [type, entry] : typeToEntry)
        EXPECT_EQ(OrvaneEditor::filterEntryOfType(type), entry) << type;
    EXPECT_EQ(OrvaneEditor::filterTypeOfEntry(33), -1);

    struct Menu {
        const char* parameter;
        int count;
        std::vector<std::pair<int, std::string>> texts;
    };
    const Menu menus[] = {
        {"MmFilterType",
         33,
         {{0, "LP2 BQ"}, {5, "HP2 Fat"}, {6, "Formant"}, {14, "Bit Red"}, {32, "HP4 MG HQ"}}},
        {"PanShape", 10, {{0, "Sine"}, {5, "Random Square"}, {9, "Inverted Square"}}},
        {"CutoffModShape", 10, {{2, "Ramp Up"}, {8, "Inverted Triangle"}}},
        {"MorphXParam",
         23,
         {{0, "MmFilterMix"}, {3, "FiltModDepth"}, {5, "EnhXcita"}, {9, "FlangerFbck"}, {22, "PanRate"}}},
        {"MorphYParam", 23, {{11, "DelayFbck"}, {21, "PanDepth"}}},
    };
    for (const Menu& m : menus) {
        SCOPED_TRACE(m.parameter);
        ScrollSelector* s = selector(m.parameter);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->getEntryCount(), m.count);
        for (const auto& [entry, text] : m.texts)
            EXPECT_EQ(s->getEntryText(entry), text) << entry;
    }
    // Both target selectors have the skin's narrow arrows.
    EXPECT_EQ(selector("MorphXParam")->getArrowWidth(),
              rig->editor->getSkinParameter("SelectorButtonWidthSmall"));
}

TEST_F(ProductEditor, FilterMenuWritesTheTypeNumberAndShowsTheHostsType)
{
    struct Case {
        int entry;
        float written;   // what the host and the engine get
        float hostSends; // a type the host sends back later
        int shownEntry;  // what the selector shows for it
    };
    const Case cases[] = {
        {6, 0.33f, 0.33f, 6}, {1, 0.03f, 0.03f, 1}, {11, 0.09f, 0.11f, 11}, {32, 0.32f, 0.02f, 4}};
    ScrollSelector* types = selector("MmFilterType");
    ASSERT_NE(types, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        events.clear();
        types->selectEntry(c.entry);
        rig->editor->valueChanged(types);
        EXPECT_EQ(events, (std::vector<HostEvent>{automate(index("MmFilterType"), c.written)}));
        EXPECT_FLOAT_EQ(param("MmFilterType"), c.written);
        idle();
        EXPECT_EQ(types->getCurrentEntry(), c.entry);
        hostSets("MmFilterType", c.hostSends);
        idle();
        EXPECT_EQ(types->getCurrentEntry(), c.shownEntry);
    }
    // The shape and target selectors write their own value, but never 1.0.
    events.clear();
    change("PanShape", 0.04f);
    change("MorphXParam", 1.0f);
    EXPECT_EQ(events, (std::vector<HostEvent>{automate(index("PanShape"), 0.04f)}));
}

TEST_F(ProductEditor, SourcesAndSwitchesCoupleTheCurrentPatternsChain)
{
    constexpr int p = 2;
    struct Case {
        const char* what;
        std::vector<std::pair<const char*, float>> before; // set through the engine first
        const char* changed;
        float value;
        int chainFirst;           // the chain whose flags the change may touch
        std::vector<int> flagsOn; // patterns whose flag is on afterwards
        const char* clockButton;  // and what that chain's button shows
        float buttonShows;
    };
    const Case cases[] = {
        {"filter by sequencer, no flag set",
         {},
         "CutoffModSource",
         0.01f,
         filterChainIndex(0),
         {p},
         "SeqFilterStartClk",
         1.0f},
        {"filter by sequencer, another pattern flagged",
         {{"SeqPat6FiltOn", 1.0f}},
         "CutoffModSource",
         0.01f,
         filterChainIndex(0),
         {5},
         "SeqFilterStartClk",
         0.0f},
        {"pan back to the oscillator",
         {{"SeqPat3PanOn", 1.0f}, {"SeqPat5PanOn", 1.0f}},
         "PanSource",
         0.0f,
         panChainIndex(0),
         {4},
         "SeqPanStartClk",
         0.0f},
        {"pan by sequencer", {}, "PanSource", 0.01f, panChainIndex(0), {p}, "SeqPanStartClk", 1.0f},
        {"gate on, no flag set", {}, "TranceGateOn", 1.0f, gateChainIndex(0), {p}, "SeqTGateStartClk", 1.0f},
        {"gate on, a flag set",
         {{"SeqPat1TGateOn", 1.0f}},
         "TranceGateOn",
         1.0f,
         gateChainIndex(0),
         {0},
         "SeqTGateStartClk",
         0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (int q = 0; q < 8; ++q)
            engine->setParameter(c.chainFirst + q, 0.0f);
        engine->setParameter(index("CurrentPattern"), p / 100.0f);
        for (const auto& [name, v] : c.before)
            engine->setParameter(index(name), v);
        idle();
        rig->editor->refreshControls(false);
        events.clear();
        change(c.changed, c.value);
        // The host hears of the control's own parameter only; the flags go to the engine alone.
        EXPECT_EQ(events, (std::vector<HostEvent>{automate(index(c.changed), c.value)}));
        for (int q = 0; q < 8; ++q) {
            const bool on = std::find(c.flagsOn.begin(), c.flagsOn.end(), q) != c.flagsOn.end();
            EXPECT_EQ(engine->getParameter(c.chainFirst + q), on ? 1.0f : 0.0f) << "pattern " << q;
        }
        EXPECT_EQ(control(c.clockButton)->getValue(), c.buttonShows);
    }
}

TEST_F(ProductEditor, ClockStartButtonsSwitchWhatTheirChainNeeds)
{
    constexpr int p = 4;
    struct Case {
        const char* what;
        std::vector<std::pair<const char*, float>> before;
        const char* button;
        float value;
        std::vector<std::pair<const char*, float>> after;
        std::vector<HostEvent> host; // besides the button's own automated write
    };
    const Case cases[] = {
        {"filter chain on",
         {{"MmFilterOn", 0}, {"CutoffModOn", 0}, {"CutoffModSource", 0}},
         "SeqFilterStartClk",
         1.0f,
         {{"MmFilterOn", 1}, {"CutoffModOn", 1}, {"CutoffModSource", 0.01f}, {"SeqPat5FiltOn", 1}},
         {}},
        {"filter chain off, another pattern keeps its flag",
         {{"CutoffModSource", 0.01f}, {"SeqPat5FiltOn", 1}, {"SeqPat2FiltOn", 1}},
         "SeqFilterStartClk",
         0.0f,
         {{"CutoffModSource", 0.01f}, {"SeqPat5FiltOn", 0}, {"SeqPat2FiltOn", 1}},
         {}},
        {"filter chain off, the last flag",
         {{"CutoffModSource", 0.01f}, {"SeqPat5FiltOn", 1}},
         "SeqFilterStartClk",
         0.0f,
         {{"CutoffModSource", 0}, {"SeqPat5FiltOn", 0}},
         {}},
        {"pan chain on",
         {{"PanOn", 0}, {"PanSource", 0}},
         "SeqPanStartClk",
         1.0f,
         {{"PanOn", 1}, {"PanSource", 0.01f}, {"SeqPat5PanOn", 1}},
         {}},
        {"pan chain off, the last flag",
         {{"PanSource", 0.01f}, {"SeqPat5PanOn", 1}},
         "SeqPanStartClk",
         0.0f,
         {{"PanSource", 0}},
         {}},
        {"gate chain on",
         {{"TranceGateOn", 0}},
         "SeqTGateStartClk",
         1.0f,
         {{"TranceGateOn", 1}, {"SeqPat5TGateOn", 1}},
         {}},
        {"gate chain off, another keeps it",
         {{"TranceGateOn", 1}, {"SeqPat5TGateOn", 1}, {"SeqPat8TGateOn", 1}},
         "SeqTGateStartClk",
         0.0f,
         {{"TranceGateOn", 1}, {"SeqPat8TGateOn", 1}},
         {}},
        {"gate chain off, the last flag",
         {{"TranceGateOn", 1}, {"SeqPat5TGateOn", 1}},
         "SeqTGateStartClk",
         0.0f,
         {{"TranceGateOn", 0}, {"SeqPat5TGateOn", 0}},
         {}},
        // Switching the cutoff modulation on switches the filter on, and the host learns both.
        {"cutoff modulation on",
         {{"MmFilterOn", 0}},
         "CutoffModOn",
         1.0f,
         {{"MmFilterOn", 1}},
         {automate(7, 1.0f)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        engine->setParameter(index("CurrentPattern"), p / 100.0f);
        for (const auto& [name, v] : c.before)
            engine->setParameter(index(name), v);
        idle();
        events.clear();
        change(c.button, c.value);
        std::vector<HostEvent> expected = c.host;
        expected.push_back(automate(index(c.button), c.value));
        EXPECT_EQ(events, expected);
        // The pattern's own flag follows the button when the write comes back in the idle.
        idle();
        for (const auto& [name, v] : c.after)
            EXPECT_FLOAT_EQ(param(name), v) << name;
        for (const auto& [name, v] : c.before)
            engine->setParameter(index(name), 0.0f);
        for (const auto& [name, v] : c.after)
            engine->setParameter(index(name), 0.0f);
    }
}

TEST_F(ProductEditor, ReadOutAfterAUserChangeThenTheProgramNameReturns)
{
    const std::string name = rig->editor->displayText();
    ASSERT_FALSE(name.empty());
    // A host change alone shows nothing.
    hostSets("DistXcita", 0.3f);
    idle();
    EXPECT_EQ(rig->editor->displayText(), name);

    // The user turns a knob: its value shows once the write comes back.
    change("DistXcita", 0.5f);
    idle();
    char shown[KsParameter::kTextSize], unit[KsParameter::kTextSize];
    engine->getParameterDisplay(index("DistXcita"), shown);
    engine->getParameterLabel(index("DistXcita"), unit);
    const std::string readOut = std::string(shown) + " " + unit;
    EXPECT_EQ(rig->editor->displayText(), readOut);
    // Parameters that do not announce themselves show nothing.
    hostSets("PanShape", 0.03f);
    idle();
    EXPECT_EQ(rig->editor->displayText(), readOut);

    // It stays 3 seconds after the last read-out, then the name returns.
    wait(3000);
    idle();
    EXPECT_EQ(rig->editor->displayText(), readOut);
    wait(1);
    idle();
    EXPECT_EQ(rig->editor->displayText(), name);

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
    // The press memory is process-wide: a release first forgets any press an earlier test left.
    change("Randomize", 0.0f);
    events.clear();
    ksSrand(7);
    const std::vector<float> before = programValues();
    const auto automatedWrites = [this] {
        const auto n = std::count_if(events.begin(), events.end(),
                                     [](const HostEvent& e) { return e.opcode == audioMasterAutomate; });
        events.clear();
        return n;
    };
    change("Randomize", 1.0f);
    const std::vector<float> first = programValues();
    EXPECT_NE(first, before);
    EXPECT_EQ(automatedWrites(), engine->automatableCount);
    EXPECT_FALSE(engine->masterOff.load());

    // The held button repeats 1.0: no new patch, but the host is told again.
    change("Randomize", 1.0f);
    EXPECT_EQ(programValues(), first);
    EXPECT_EQ(automatedWrites(), engine->automatableCount);
    change("Randomize", 0.0f);
    EXPECT_EQ(programValues(), first);
    change("Randomize", 1.0f);
    EXPECT_NE(programValues(), first);
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
    idle();
    auto* volumes = dynamic_cast<StepSeq*>(control("StepSeqVol"));
    auto* ties = dynamic_cast<StepSeq*>(control("StepSeqTie"));
    ASSERT_NE(volumes, nullptr);
    ASSERT_NE(ties, nullptr);
    EXPECT_EQ(volumes->getFirstStep(), stepVolumeIndex(3, 0));
    EXPECT_EQ(ties->getFirstStep(), stepTieIndex(3, 0));

    hostSets("SeqPatternPaste", 1.0f);
    idle();
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
    CControl* left = control("LevelMeterL");
    CControl* right = control("LevelMeterR");
    ASSERT_NE(left, nullptr);
    ASSERT_NE(right, nullptr);
    const float expected = std::pow(0.25f, OrvaneEditor::kMeterExponent);
    struct Step {
        float peakLeft, peakRight;
        uint32_t waitMs;
        bool meteringOn;
        float left, right;
    };
    const Step steps[] = {
        {0.25f, 0.0f, 61, true, expected, 0.0f}, // moves after more than 60 ms
        {0.0f, 0.0f, 30, true, expected, 0.0f},  // too soon
        {0.0f, 0.0f, 31, true, 0.0f, 0.0f},      // now it follows
        {0.0f, 0.00005f, 100, true, 0.0f, 0.0f}, // less than one segment: no move
        {0.25f, 0.25f, 100, false, 0.0f, 0.0f},  // metering switched off
        {0.25f, 0.25f, 100, true, expected, expected},
        {NAN, INFINITY, 100, true, 0.0f, 1.0f}, // a broken peak never reaches the drawing
    };
    for (const Step& s : steps) {
        VuMeterS::setMeteringOn(s.meteringOn);
        engine->peakLeft.store(s.peakLeft);
        engine->peakRight.store(s.peakRight);
        wait(s.waitMs);
        idle();
        EXPECT_FLOAT_EQ(left->getValue(), s.left);
        EXPECT_FLOAT_EQ(right->getValue(), s.right);
    }
    VuMeterS::setMeteringOn(true);
}

TEST_F(ProductEditor, HeldSelectorArrowsRepeatInTheIdle)
{
    ScrollSelector* shapes = selector("CutoffModShape");
    ASSERT_NE(shapes, nullptr);
    const CRect r = shapes->getFrameRect();
    const CPoint nextArrow(r.right - 2, (r.top + r.bottom) / 2);
    rig->frame()->handleMouseDown(nextArrow, kLButton);
    EXPECT_EQ(shapes->getCurrentEntry(), 1);
    for (int i = 0; i < 21; ++i) {
        wait(50);
        idle();
    }
    // 1050 ms held: three repeats after the first step, each told to the host.
    EXPECT_EQ(shapes->getCurrentEntry(), 4);
    rig->frame()->handleMouseUp(nextArrow, kLButton);
    wait(1000);
    idle();
    EXPECT_EQ(shapes->getCurrentEntry(), 4);
    EXPECT_FLOAT_EQ(param("CutoffModShape"), 0.04f);
}

TEST_F(ProductEditor, TheXYPadFollowsItsTargetSelectors)
{
    auto* pad = dynamic_cast<CXYControlSurface*>(control("MorphSquare"));
    ASSERT_NE(pad, nullptr);
    struct Case {
        const char* selectorName;
        float value;
        int x, y;
    };
    const Case cases[] = {
        {"MorphXParam", 0.05f, index("DistXcita"), index("MmFilterRes")},
        {"MorphYParam", 0.22f, index("DistXcita"), index("PanRate")},
        {"MorphYParam", 0.23f, index("DistXcita"), index("PanRate")}, // beyond the list: ignored
    };
    for (const Case& c : cases) {
        hostSets(c.selectorName, c.value);
        idle();
        EXPECT_EQ(pad->getXTarget(), c.x) << c.selectorName << " " << c.value;
        EXPECT_EQ(pad->getYTarget(), c.y) << c.selectorName << " " << c.value;
    }
    // Moving the pad tells the host both targets; "MorphSquare" itself is not written.
    hostSets("MorphYParam", 0.02f);
    idle();
    events.clear();
    engine->setParameter(index("DistXcita"), 0.25f);
    engine->setParameter(index("MmFilterRes"), 0.75f);
    rig->editor->valueChanged(pad);
    EXPECT_EQ(events, (std::vector<HostEvent>{automate(index("DistXcita"), 0.25f),
                                              automate(index("MmFilterRes"), 0.75f)}));
}

// The hooks use the product's controls where the skin has them, and do without them where it has
// not: a skin with none of them (the small test skin) survives every hook.
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
    EXPECT_TRUE(rig.editor->isEditorOpen());
    EXPECT_FALSE(rig.editor->displayText().empty());
}

} // namespace
