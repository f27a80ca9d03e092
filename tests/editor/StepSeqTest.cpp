// The step editor: painting the bars, the pattern menu and its "osq" files, on the headless back end.
#include "EditorTestSupport.h"

#include "editor/OsqFile.h"
#include "editor/StepSeq.h"
#include "editor/StepSeqMenu.h"
#include "engine/ParamStream.h"
#include "engine/ParameterTable.h"
#include "engine/Random.h"
#include "platform/gui/COptionMenu.h"

#include <cstring>
#include <vector>

namespace
{

using namespace edtest;

std::vector<std::vector<int>>* hostEvents = nullptr; // {opcode, index}

VstIntPtr recordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float)
{
    if (hostEvents && (opcode == audioMasterAutomate || opcode == audioMasterBeginEdit))
        hostEvents->push_back({opcode, index});
    return 0;
}

// Bars of 10 pixels (7 drawn, 3 gap) and 60 high, at (100, 200) in the test skin's window.
constexpr CRect kBars(100, 200, 260, 260);
constexpr int kPattern = 2;

class StepEditor : public EditorTest
{
  protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        hostEvents = &events;
        rig = std::make_unique<Rig>(&recordingHost);
        ASSERT_TRUE(rig->open());
        engine = rig->shell.getEngine();
        engine->editor = rig->editor; // so that the engine carries step edits on to the host
        engine->setParameter(engine->parameterIndex("CurrentPattern"), kPattern / 100.0f);
        bar = std::make_unique<CBitmap>(gui::RgbaImage(solid(7, 60, 250, 0, 0)));
        beat = std::make_unique<CBitmap>(gui::RgbaImage(solid(7, 60, 0, 250, 0)));
        steps = new StepSeq(kBars, rig->editor, engine->parameterIndex("StepSeqVol"),
                            rig->editor->getSkinBitmap("Background"), 16, engine,
                            stepVolumeIndex(kPattern, 0), bar.get(), beat.get());
        menu = new StepSeqMenu(CRect(300, 200, 340, 220), rig->editor, engine->parameterIndex("StepSeqMenu"),
                               engine);
        rig->editor->getMainContainer()->addView(steps);
        rig->editor->getMainContainer()->addView(menu);
        events.clear();
    }
    void TearDown() override
    {
        rig.reset();
        hostEvents = nullptr;
        EditorTest::TearDown();
    }

    float vol(int s) const { return engine->getParameter(stepVolumeIndex(kPattern, s)); }
    float tie(int s) const { return engine->getParameter(stepTieIndex(kPattern, s)); }
    void setRow(const std::vector<float>& vols, const std::vector<float>& ties = {})
    {
        for (int s = 0; s < 16; ++s) {
            engine->setParameter(stepVolumeIndex(kPattern, s), vols.empty() ? 0.0f : vols[s % vols.size()]);
            engine->setParameter(stepTieIndex(kPattern, s), ties.empty() ? 0.0f : ties[s % ties.size()]);
        }
    }
    std::vector<float> row(bool ties = false) const
    {
        std::vector<float> out;
        for (int s = 0; s < 16; ++s)
            out.push_back(ties ? tie(s) : vol(s));
        return out;
    }
    void choose(int entry)
    {
        rig->backend.queueMenuAnswer({entry});
        rig->frame()->handleMouseDown(CPoint(310, 210), kLButton);
        rig->frame()->handleMouseUp(CPoint(310, 210), kLButton);
    }

    std::vector<std::vector<int>> events;
    std::unique_ptr<Rig> rig;
    KsPlugin* engine = nullptr;
    std::unique_ptr<CBitmap> bar, beat;
    StepSeq* steps = nullptr;
    StepSeqMenu* menu = nullptr;
};

TEST_F(StepEditor, PaintingWritesTheStepsUnderThePointerWithinTheirRange)
{
    struct Case {
        const char* what;
        bool volumeMode;
        float initial; // every step
        int buttons;
        std::vector<CPoint> path; // press, then moves
        std::vector<float> expected;
    };
    const int mid = 230;
    const Case cases[] = {
        {"toggle: a half step fills", false, 0.5f, kLButton, {{125, mid}}, {0.5f, 0.5f, 1.0f, 0.5f}},
        {"toggle: a full step empties", false, 1.0f, kLButton, {{125, mid}}, {1.0f, 1.0f, 0.0f, 1.0f}},
        {"toggle: the drag paints what the press did",
         false,
         0.0f,
         kLButton,
         {{105, mid}, {135, mid}},
         {1.0f, 0.0f, 0.0f, 1.0f}},
        {"toggle: above the control paints 1",
         false,
         1.0f,
         kLButton,
         {{105, mid}, {115, 150}},
         {0.0f, 1.0f, 1.0f, 1.0f}},
        {"toggle: below the control paints 0",
         false,
         0.5f,
         kLButton,
         {{105, mid}, {115, 400}},
         {1.0f, 0.0f, 0.5f, 0.5f}},
        {"a right drag erases", false, 1.0f, kRButton, {{105, mid}, {125, mid}}, {0.0f, 1.0f, 0.0f, 1.0f}},
        {"control and left erases", false, 1.0f, kLButton | kControl, {{115, mid}}, {1.0f, 0.0f, 1.0f, 1.0f}},
        {"volume: a quarter down", true, 0.0f, kLButton, {{115, 215}}, {0.0f, 0.75f, 0.0f, 0.0f}},
        {"volume: above the control is 1",
         true,
         0.0f,
         kLButton,
         {{115, 215}, {115, -500}},
         {0.0f, 1.0f, 0.0f, 0.0f}},
        {"volume: below the control is 0",
         true,
         0.5f,
         kLButton,
         {{105, 215}, {105, 900}},
         {0.0f, 0.5f, 0.5f, 0.5f}},
        {"left of the control is step 0",
         true,
         0.0f,
         kLButton,
         {{115, 245}, {-300, 230}},
         {0.5f, 0.25f, 0.0f, 0.0f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setRow({c.initial});
        steps->setVolumeMode(c.volumeMode);
        rig->frame()->handleMouseDown(c.path[0], c.buttons);
        for (std::size_t i = 1; i < c.path.size(); ++i)
            rig->frame()->handleMouseMoved(c.path[i], c.buttons);
        rig->frame()->handleMouseUp(c.path.back(), c.buttons);
        for (int s = 0; s < 4; ++s)
            EXPECT_FLOAT_EQ(vol(s), c.expected[static_cast<std::size_t>(s)]) << "step " << s;
    }
    // Far right of the control is the last step.
    setRow({0.0f});
    steps->setVolumeMode(false);
    rig->frame()->handleMouseDown(CPoint(200, 230), kLButton);
    rig->frame()->handleMouseMoved(CPoint(5000, 230), kLButton);
    rig->frame()->handleMouseUp(CPoint(5000, 230), kLButton);
    EXPECT_FLOAT_EQ(vol(15), 1.0f);
}

TEST_F(StepEditor, AnEditReachesTheHostThroughTheControlsParameterOnly)
{
    setRow({0.0f});
    events.clear();
    rig->frame()->handleMouseDown(CPoint(135, 230), kLButton);
    rig->frame()->handleMouseUp(CPoint(135, 230), kLButton);
    // The control's own parameter, through which the engine re-writes the current pattern's row.
    std::vector<std::vector<int>> expected;
    for (int s = 0; s < 16; ++s)
        expected.push_back({audioMasterAutomate, stepVolumeIndex(kPattern, s)});
    expected.push_back({audioMasterAutomate, engine->parameterIndex("StepSeqVol")});
    EXPECT_EQ(events, expected);
    EXPECT_FLOAT_EQ(rig->shell.currentProgram()->values[stepVolumeIndex(kPattern, 3)], 1.0f);

    // A drag that changes nothing tells nothing.
    events.clear();
    rig->frame()->handleMouseDown(CPoint(135, 100), kLButton);
    rig->frame()->handleMouseMoved(CPoint(136, 100), kLButton);
    rig->frame()->handleMouseUp(CPoint(136, 100), kLButton);
    EXPECT_TRUE(events.empty());
}

TEST_F(StepEditor, BarsShowTheLowerPartOfTheirImageWithAGap)
{
    setRow({0.5f, 0.0f, 1.0f, 0.0f});
    rig->frame()->redraw();
    const auto& shown = rig->parent;
    const CColor background{20, 30, 40, 255}, red{250, 0, 0, 255}, green{0, 250, 0, 255};
    EXPECT_EQ(shown.pixel(103, 259), green) << "beat bar of step 0";
    EXPECT_EQ(shown.pixel(103, 230), green) << "half height starts at 30";
    EXPECT_EQ(shown.pixel(103, 229), background);
    EXPECT_EQ(shown.pixel(108, 259), background) << "the gap";
    EXPECT_EQ(shown.pixel(113, 259), background) << "step 1 is empty";
    EXPECT_EQ(shown.pixel(123, 200), red) << "step 2 is full";
    EXPECT_EQ(shown.pixel(143, 259), green) << "step 4 is on the beat";
}

TEST_F(StepEditor, MenuEntriesRewriteThePatternWithoutTellingTheHost)
{
    std::vector<std::string> texts;
    std::vector<bool> checked;
    rig->backend.onMenuOpened = [&](const COptionMenu& m, CPoint) {
        texts.clear();
        checked.clear();
        for (int i = 0; i < m.getNbEntries(); ++i) {
            texts.push_back(m.getEntryText(i));
            checked.push_back(m.isEntryChecked(i));
        }
    };
    const std::vector<float> ramp{0.1f, 0.2f, 0.3f, 0.4f, 0.5f}, ties{1.0f, 0.0f, 0.0f};
    setRow(ramp, ties);
    const std::vector<float> before = row(), beforeTies = row(true);
    events.clear();
    choose(StepSeqMenu::kMoveRight);
    EXPECT_EQ(texts,
              (std::vector<std::string>{"Load Preset", "Save Preset", "-", "Clear", "Vol All", "Vol Every 2",
                                        "Vol Every 4", "Tie All", "Randomize", "-", "Move Left", "Move Right",
                                        "-", "Midi Trigger On", "Midi Trigger Off"}));
    EXPECT_FALSE(checked[13]);
    EXPECT_TRUE(checked[14]);
    EXPECT_FLOAT_EQ(vol(1), before[0]);
    EXPECT_FLOAT_EQ(vol(0), before[15]);
    EXPECT_FLOAT_EQ(tie(1), beforeTies[0]);
    for (const auto& e : events)
        EXPECT_NE(e[1], stepVolumeIndex(kPattern, 1)) << "step writes reach the engine only";
    choose(StepSeqMenu::kMoveRight);
    choose(StepSeqMenu::kMoveLeft);
    choose(StepSeqMenu::kMoveLeft);
    EXPECT_EQ(row(), before);
    EXPECT_EQ(row(true), beforeTies);

    struct Case {
        int entry;
        std::vector<float> vols, ties; // expected; empty: as before
    };
    const Case cases[] = {
        {StepSeqMenu::kVolEvery4, {1, 0, 0, 0}, {}},
        {StepSeqMenu::kVolEvery2, {1, 0}, {}},
        {StepSeqMenu::kVolAll, {1}, {}},
        {StepSeqMenu::kTieAll, {}, {1}},
        {StepSeqMenu::kClear, {0}, {0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        setRow(ramp, ties);
        choose(c.entry);
        for (int s = 0; s < 16; ++s) {
            EXPECT_FLOAT_EQ(vol(s), c.vols.empty() ? before[s] : c.vols[s % c.vols.size()]);
            EXPECT_FLOAT_EQ(tie(s), c.ties.empty() ? beforeTies[s] : c.ties[s % c.ties.size()]);
        }
    }

    const int trigger = engine->parameterIndex("SeqMidiNoteTrigger");
    choose(StepSeqMenu::kMidiTriggerOn);
    EXPECT_FLOAT_EQ(engine->getParameter(trigger), 1.0f);
    choose(StepSeqMenu::kMidiTriggerOff);
    EXPECT_TRUE(checked[13]) << "the menu that chose Off showed On checked";
    EXPECT_FLOAT_EQ(engine->getParameter(trigger), 0.0f);

    // "Randomize" repeats with the generator's seed; ties are set about one time in four.
    std::vector<float> first, second;
    for (std::vector<float>* out : {&first, &second}) {
        ksSrand(7);
        choose(StepSeqMenu::kRandomize);
        *out = row();
        const std::vector<float> t = row(true);
        out->insert(out->end(), t.begin(), t.end());
    }
    EXPECT_EQ(first, second);
    for (int s = 0; s < 16; ++s)
        EXPECT_TRUE(first[16 + s] == 0.0f || first[16 + s] == 1.0f);
}

TEST_F(StepEditor, PatternFilesSaveAndLoadAndRefuseHostileContent)
{
    const fs::path file = root / "pattern.osq";
    setRow({0.25f, 1.0f, 0.0f}, {1.0f, 0.0f});
    const std::vector<float> saved = row(), savedTies = row(true);
    std::vector<gui::FileDialogRequest> dialogs;
    rig->backend.onFileDialogOpened = [&](const gui::FileDialogRequest& r) { dialogs.push_back(r); };
    rig->backend.queueFileAnswer(file.string());
    choose(StepSeqMenu::kSavePreset);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].title, "Save osq File");
    EXPECT_EQ(dialogs[0].filter, std::string("osq files (*.osq)\0*.osq\0\0", 25));
    EXPECT_EQ(fs::file_size(file), 136u);
    for (const auto& entry : fs::directory_iterator(root))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos)
            << "a temporary file stayed";

    const auto load = [&](const std::string& path) {
        rig->backend.queueFileAnswer(path);
        choose(StepSeqMenu::kLoadPreset);
    };
    setRow({0.5f}, {0.5f});
    load(file.string());
    EXPECT_EQ(dialogs.back().title, "Load osq File");
    EXPECT_EQ(row(), saved);
    EXPECT_EQ(row(true), savedTies);

    // Files of other lengths: n = 8 brings steps 0..7; anything cut short, empty, too long or not
    // finite changes nothing.
    const auto image = [](std::int32_t n, int floats, float v) {
        std::vector<std::uint8_t> bytes(8 + 4 * static_cast<std::size_t>(floats));
        const std::int32_t head[2] = {1, n};
        std::memcpy(bytes.data(), head, 8);
        for (int i = 0; i < floats; ++i)
            std::memcpy(bytes.data() + 8 + 4 * i, &v, 4);
        return bytes;
    };
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        int changedSteps;
    };
    const Case cases[] = {
        {"eight steps", image(8, 16, 0.75f), 8},
        {"twenty steps", image(20, 40, 0.75f), 16},
        {"cut short", image(16, 31, 0.75f), 0},
        {"count far beyond the data", image(0x7fffffff, 4, 0.75f), 0},
        {"negative count", image(-1, 16, 0.75f), 0},
        {"not finite", image(16, 32, std::numeric_limits<float>::quiet_NaN()), 0},
        {"empty", {}, 0},
        {"one buffer long", image(16, ParamStream::kBufferSize / 4 - 2, 0.75f), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setRow({0.5f}, {0.5f});
        const fs::path hostile = root / "hostile.osq";
        std::ofstream(hostile, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(c.bytes.data()),
                   static_cast<std::streamsize>(c.bytes.size()));
        load(hostile.string());
        for (int s = 0; s < 16; ++s) {
            EXPECT_FLOAT_EQ(vol(s), s < c.changedSteps ? 0.75f : 0.5f) << "step " << s;
            EXPECT_FLOAT_EQ(tie(s), s < c.changedSteps ? 0.75f : 0.5f) << "tie " << s;
        }
    }
    // Cancelled dialogs and missing files change nothing either.
    load((root / "missing.osq").string());
    rig->backend.queueFileAnswer(std::nullopt);
    choose(StepSeqMenu::kLoadPreset);
    EXPECT_EQ(row(), std::vector<float>(16, 0.5f));
}

} // namespace
