// The step editor on the headless back end: painting, the pattern menu and pattern files.
#include "EditorTestSupport.h"

#include "editor/OsqFile.h"
#include "editor/StepSeq.h"
#include "editor/StepSeqMenu.h"
#include "engine/ParamStream.h"
#include "engine/ParameterTable.h"
#include "engine/Random.h"

#include <cstring>
#include <limits>
#include <vector>

namespace
{

using namespace edtest;

// Bars of 10 pixels (7 drawn, 3 gap) and 60 high, at (100, 200) in the test skin's window.
constexpr CRect kBars(100, 200, 260, 260);
constexpr int kPattern = 2;

class StepEditor : public EditorTest
{
  protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        rig = std::make_unique<Rig>();
        ASSERT_TRUE(rig->open());
        engine = rig->shell.getEngine();
        engine->setParameter(engine->parameterIndex("CurrentPattern"), kPattern / 100.0f);
        bar = std::make_unique<CBitmap>(solid(7, 60, 250, 0, 0));
        beat = std::make_unique<CBitmap>(solid(7, 60, 0, 250, 0));
        steps = new StepSeq(kBars, rig->editor, engine->parameterIndex("StepSeqVol"),
                            rig->editor->getSkinBitmap("Background"), 16, engine,
                            stepVolumeIndex(kPattern, 0), bar.get(), beat.get());
        menu = new StepSeqMenu(CRect(300, 200, 340, 220), rig->editor, engine->parameterIndex("StepSeqMenu"),
                               engine);
        rig->editor->getMainContainer()->addView(steps);
        rig->editor->getMainContainer()->addView(menu);
    }
    void TearDown() override
    {
        rig.reset();
        EditorTest::TearDown();
    }

    float vol(int s) const { return engine->getParameter(stepVolumeIndex(kPattern, s)); }
    float tie(int s) const { return engine->getParameter(stepTieIndex(kPattern, s)); }
    void setRow(const std::vector<float>& vols, const std::vector<float>& ties = {0.0f})
    {
        for (std::size_t s = 0; s < 16; ++s) {
            engine->setParameter(stepVolumeIndex(kPattern, int(s)), vols[s % vols.size()]);
            engine->setParameter(stepTieIndex(kPattern, int(s)), ties[s % ties.size()]);
        }
    }
    std::vector<float> row() const // the 16 volumes, then the 16 ties
    {
        std::vector<float> out(32);
        for (int s = 0; s < 32; ++s)
            out[std::size_t(s)] = s < 16 ? vol(s) : tie(s - 16);
        return out;
    }
    void choose(int entry)
    {
        rig->backend.queueMenuAnswer({entry});
        click(*rig->frame(), {310, 210}, kRButton);
    }

    std::unique_ptr<Rig> rig;
    KsPlugin* engine = nullptr;
    std::unique_ptr<CBitmap> bar, beat;
    StepSeq* steps = nullptr;
    StepSeqMenu* menu = nullptr;
};

TEST_F(StepEditor, PaintingWritesTheStepsUnderThePointerWithinTheirRange)
{
    const int y = 230, L = kLButton;
    // What, volume mode, every step's value before, buttons, the press then moves, steps 0 to 3 after
    // (then step 15 when it changes).
    const std::tuple<const char*, bool, float, int, std::vector<CPoint>, std::vector<float>> cases[] = {
        {"half step fills", false, 0.5f, L, {{125, y}}, {0.5f, 0.5f, 1.0f, 0.5f}},
        {"drag paints the press's value", false, 0.0f, L, {{105, y}, {135, y}}, {1.0f, 0.0f, 0.0f, 1.0f}},
        {"above the control paints 1", false, 1.0f, L, {{105, y}, {115, 150}}, {0.0f, 1.0f, 1.0f, 1.0f}},
        {"right drag erases", false, 1.0f, kRButton, {{105, y}, {125, y}}, {0.0f, 1.0f, 0.0f, 1.0f}},
        {"volume: a quarter down", true, 0.0f, L, {{115, 215}}, {0.0f, 0.75f, 0.0f, 0.0f}},
        {"volume: below is 0", true, 0.5f, L, {{105, 215}, {105, 900}}, {0.0f, 0.5f, 0.5f, 0.5f}},
        {"left of the control is step 0", true, 0.0f, L, {{115, 245}, {-300, y}}, {0.5f, 0.25f, 0.0f, 0.0f}},
        {"right of it is step 15", false, 0.0f, L, {{135, y}, {5000, y}}, {0.0f, 0.0f, 0.0f, 1.0f, 1.0f}},
    };
    for (const auto& [what, volumeMode, initial, buttons, path, expected] : cases) {
        SCOPED_TRACE(what);
        setRow({initial});
        steps->setVolumeMode(volumeMode);
        for (std::size_t i = 0; i < path.size(); ++i)
            i ? rig->frame()->handleMouseMoved(path[i], buttons)
              : rig->frame()->handleMouseDown(path[i], buttons);
        rig->frame()->handleMouseUp(path.back(), buttons);
        for (std::size_t s = 0; s < 4; ++s)
            EXPECT_FLOAT_EQ(vol(int(s)), expected[s]) << "step " << s;
        EXPECT_FLOAT_EQ(vol(15), expected.size() > 4 ? expected[4] : initial);
    }
}

TEST_F(StepEditor, MenuEntriesRewriteTheCurrentPattern)
{
    const std::vector<float> ramp{0.1f, 0.2f, 0.3f, 0.4f, 0.5f}, ties{1.0f, 0.0f, 0.0f};
    // The entry, then the volumes and ties expected, repeated over the 16 steps (empty: as before).
    const std::tuple<int, std::vector<float>, std::vector<float>> cases[] = {
        {StepSeqMenu::kVolEvery4, {1, 0, 0, 0}, {}},
        {StepSeqMenu::kTieAll, {}, {1}},
        {StepSeqMenu::kClear, {0}, {0}}};
    for (const auto& [entry, vols, tieValues] : cases) {
        SCOPED_TRACE(entry);
        setRow(ramp, ties);
        const std::vector<float> before = row();
        choose(entry);
        for (std::size_t s = 0; s < 16; ++s) {
            EXPECT_FLOAT_EQ(vol(int(s)), vols.empty() ? before[s] : vols[s % vols.size()]);
            EXPECT_FLOAT_EQ(tie(int(s)),
                            tieValues.empty() ? before[16 + s] : tieValues[s % tieValues.size()]);
        }
    }

    // The entries in order; the check mark follows "SeqMidiNoteTrigger".
    const int trigger = engine->parameterIndex("SeqMidiNoteTrigger");
    std::string shown;
    rig->backend.onMenuOpened = [&](const COptionMenu& m, CPoint) { shown = joined(shownEntries(m)); };
    const std::string entries = "Load Preset|Save Preset|-|Clear|Vol All|Vol Every 2|Vol Every 4|Tie All|"
                                "Randomize|-|Move Left|Move Right|-|";
    choose(StepSeqMenu::kMidiTriggerOn);
    EXPECT_EQ(shown, entries + "Midi Trigger On|[x]Midi Trigger Off");
    EXPECT_FLOAT_EQ(engine->getParameter(trigger), 1.0f);

    // "Randomize" repeats with the generator's seed; ties are 0 or 1.
    std::vector<float> first;
    for (int run = 0; run < 2; ++run) {
        ksSrand(7);
        choose(StepSeqMenu::kRandomize);
        if (run == 0) first = row();
    }
    EXPECT_EQ(row(), first);
    for (std::size_t s = 16; s < 32; ++s)
        EXPECT_TRUE(first[s] == 0.0f || first[s] == 1.0f);
}

TEST_F(StepEditor, PatternFilesLoadAtMostSixteenStepsAndRefuseDamagedOnes)
{
    const auto image = [](std::int32_t n, int floats, float v) {
        std::vector<std::uint8_t> bytes(8 + 4 * std::size_t(floats));
        const std::int32_t head[2] = {1, n};
        std::memcpy(bytes.data(), head, 8);
        for (int i = 0; i < floats; ++i)
            std::memcpy(bytes.data() + 8 + 4 * i, &v, 4);
        return bytes;
    };
    // What, the file, the steps loaded (0: refused).
    const std::tuple<const char*, std::vector<std::uint8_t>, int> cases[] = {
        {"twenty steps", image(20, 40, 0.75f), 16},
        {"cut short", image(16, 31, 0.75f), 0},
        {"count far beyond the data", image(0x7fffffff, 4, 0.75f), 0},
        {"not finite", image(16, 32, std::numeric_limits<float>::quiet_NaN()), 0},
        {"one buffer long", image(16, ParamStream::kBufferSize / 4 - 2, 0.75f), 0},
    };
    const fs::path file = root / "pattern.osq";
    for (const auto& [what, bytes, loadedSteps] : cases) {
        SCOPED_TRACE(what);
        std::ofstream(file, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        setRow({0.5f}, {0.5f});
        rig->backend.queueFileAnswer(file.string());
        choose(StepSeqMenu::kLoadPreset);
        for (int s = 0; s < 16; ++s) {
            EXPECT_FLOAT_EQ(vol(s), s < loadedSteps ? 0.75f : 0.5f) << "step " << s;
            EXPECT_FLOAT_EQ(tie(s), s < loadedSteps ? 0.75f : 0.5f) << "tie " << s;
        }
    }
    // The ties of a longer file come from behind all of its volumes.
    std::vector<std::uint8_t> longer = image(20, 40, 0.25f);
    const float firstTie = 1.0f;
    std::memcpy(longer.data() + 8 + 4 * 20, &firstTie, 4);
    OsqPattern pattern;
    ParamStream stream;
    stream.openMemoryRead(longer.data(), int(longer.size()));
    ASSERT_TRUE(OsqFile::read(stream, pattern));
    EXPECT_EQ(pattern.ties[0], 1.0f);
    EXPECT_EQ(pattern.volumes[15], 0.25f);
}

} // namespace
