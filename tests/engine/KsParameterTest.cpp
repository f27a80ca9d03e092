#include "EngineRig.h"

#include <string>

namespace
{

std::string text(const KsParameter& p)
{
    char buffer[KsParameter::kTextSize];
    p.formatValue(buffer);
    return buffer;
}

void useTable(KsParameter& p, const KsSyncTable& t)
{
    p.setSyncTable(t.count, t.beats, t.names, t.freeMinHz, t.freeMaxHz);
}

// Indices, names and flags that stored programs, MIDI maps and hosts rely on.
TEST(ParameterTable, IndicesNamesAndTexts)
{
    Orvane engine;
    ASSERT_EQ(engine.parameterCount, 366);
    ASSERT_EQ(engine.automatableCount, 344);
    const struct {
        int index;
        const char *name, *altName, *unit; // unit null: absent
        int kind;
        bool announces;
    } rows[] = {
        {0, "TranceGateOn", "TranceGateOn", "", 0, false},
        {15, "CutoffModDepth", "FiltModDepth", "%", 1, true},
        {26, "FlangerFeedback", "FlangerFbck", "", 4, true},
        {39, "MasterVolume", "MasterVolume", "dB", 9, true},
        {stepVolumeIndex(2, 11), "Seq3Step12Vol", "Seq3Step12Vol", nullptr, 1, false},
        {314, "Seq8Tie16Vol", "Seq8Tie16Vol", nullptr, 0, false},
        {344, "Unused", "", nullptr, 1, false},
        {352, "PanPosition", "", nullptr, 1, false},
        {365, "InfoLink", "InfoLink", "", 0, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.index);
        const KsParameter* p = engine.parameter(r.index);
        ASSERT_NE(p, nullptr);
        EXPECT_STREQ(p->name, r.name);
        EXPECT_STREQ(p->altName, r.altName);
        EXPECT_EQ(p->hasUnit(), r.unit != nullptr);
        EXPECT_STREQ(p->unitText(), r.unit ? r.unit : "");
        EXPECT_EQ(p->kind, r.kind);
        EXPECT_EQ(p->announces, r.announces);
    }
    EXPECT_EQ(engine.parameterIndex("Chain"), 51); // first of the eight
    EXPECT_EQ(engine.parameterIndex("NoSuchName"), -1);
    EXPECT_EQ(engine.parameter(366), nullptr);
    EXPECT_EQ(engine.parameter(-1), nullptr);
    // Only "PanPosition" starts away from its minimum.
    EXPECT_FLOAT_EQ(engine.getParameter(352), 0.5f);
    EXPECT_FLOAT_EQ(engine.getParameter(38), 0.0f);
    // Every sync table lists triplet, straight, dotted of each base length.
    for (const KsSyncTable* t : {&rateSyncTable, &delaySyncTable, &lengthSyncTable})
        for (int i = 0; i < t->count; i += 3) {
            EXPECT_NEAR(t->beats[i], t->beats[i + 1] * 2.0f / 3.0f, 1e-6);
            EXPECT_NEAR(t->beats[i + 2], t->beats[i + 1] * 1.5f, 1e-6);
            EXPECT_EQ(std::string(t->names[i]), std::string(t->names[i + 1]) + "T");
        }
}

TEST(KsParameter, DisplayTexts)
{
    EngineRig e({}, false);
    const struct {
        const char* name;
        float value;
        const char* text;
    } rows[] = {
        {"PanShape", 0.034f, "3"},         {"PanShape", 0.036f, "4"},        {"MmFilterCutoff", 0.0f, "80"},
        {"MmFilterCutoff", 1.0f, "16000"}, {"MmFilterCutoff", 0.5f, "1278"}, {"MasterVolume", 0.77f, " 0"},
        {"MasterVolume", 0.0005f, "-inf"}, {"MasterVolume", 1.0f, " 6"},     {"PanDepth", 0.5f, "50"},
        {"FlangerFeedback", 1.0f, "0.9"},  {"SeqLength", 0.5f, "4/1T bars"}, {"SeqLength", 1.0f, "1/2T bars"},
    };
    for (const auto& r : rows) {
        e.set(r.name, r.value);
        char shown[KsParameter::kTextSize];
        e.o->getParameterDisplay(e.index(r.name), shown);
        EXPECT_STREQ(shown, r.text) << r.name << " " << r.value;
    }
    e.set("PanShape", 0.034f);
    EXPECT_FLOAT_EQ(e.param("PanShape").targetValue, 3.0f);
}

TEST(KsParameter, RatesAndSyncSelection)
{
    KsParameter panRate(2, true, "PanRate", nullptr, "", 0.0f, 1.0f);
    useTable(panRate, rateSyncTable);
    panRate.setSynced(true);
    panRate.setValue(1.0f);
    EXPECT_EQ(text(panRate), "1/32T bars");
    panRate.setValue(0.0f);
    EXPECT_EQ(text(panRate), "32/1* bars");
    panRate.setValue(1.0f - 16.5f / 33.0f); // "1/1" (entry 16) at 120 bpm is 0.5 Hz
    EXPECT_FLOAT_EQ(panRate.rateHz(120.0f), 0.5f);
    EXPECT_DOUBLE_EQ(panRate.syncPhase(3.0), 0.75);
    EXPECT_EQ(panRate.syncCycles(9.0), 2);
    EXPECT_DOUBLE_EQ(panRate.syncPhase(-1.0), 0.0); // before the song start
    EXPECT_EQ(panRate.syncCycles(-1.0), 0);
    for (float bad : {0.0f, -60.0f, NAN, INFINITY}) // invalid tempos count as 120
        EXPECT_FLOAT_EQ(panRate.rateHz(bad), 0.5f);
    panRate.setSynced(false);
    panRate.setValue(0.5f);
    EXPECT_EQ(text(panRate), "4.0 Hz");
    EXPECT_FLOAT_EQ(panRate.rateHz(120.0f), 4.01f);
    EXPECT_DOUBLE_EQ(panRate.syncPhase(3.0), -1.0);
    EXPECT_EQ(panRate.syncCycles(3.0), -1);

    KsParameter delayRate(3, true, "DelayLRate", nullptr, "", 0.0f, 1.0f);
    useTable(delayRate, delaySyncTable);
    delayRate.interpolateFree = true;
    delayRate.showMs = true;
    delayRate.setValue(0.5f);
    EXPECT_EQ(text(delayRate), "625 ms");
    EXPECT_NEAR(delayRate.rateHz(120.0f), 1.6f, 1e-5);

    // The engine's own objects: "SeqLength" is always synced, "FlangerRate" always free.
    EngineRig e({}, false);
    KsParameter& length = e.param("SeqLength");
    length.setValue(0.5f);
    EXPECT_TRUE(length.isSynced());
    EXPECT_NEAR(length.syncBeats[length.syncIndex()], 2.6666667f, 1e-6);
    e.param("FlangerRate").setValue(1.0f);
    EXPECT_FLOAT_EQ(e.param("FlangerRate").rateHz(120.0f), 8.0f);
}

TEST(KsParameter, RampAndLimits)
{
    KsParameter p(1, true, "Level", nullptr, "%", 0.0f, 1.0f);
    p.setValue(0.5f); // no sample rate yet: a set completes at the first advance
    EXPECT_FLOAT_EQ(p.current(), 0.0f);
    p.advance(1);
    EXPECT_FLOAT_EQ(p.current(), 0.5f);
    p.setSampleRate(48000.0f);
    EXPECT_EQ(p.rampLength, 480);
    p.setValue(1.0f);
    EXPECT_FLOAT_EQ(p.read(64), 0.5f + 0.5f * 64.0f / 480.0f);
    p.setValue(1.0f); // same target: the ramp goes on
    EXPECT_FLOAT_EQ(p.read(64), 0.5f + 0.5f * 128.0f / 480.0f);
    EXPECT_FLOAT_EQ(p.read(512), 1.0f);
    // Out of range is limited, NaN ignored.
    for (const auto& [in, out] : {std::pair{2.0f, 1.0f}, {NAN, 1.0f}, {-3.0f, 0.0f}}) {
        p.setValue(in);
        EXPECT_FLOAT_EQ(p.target(), out) << in;
    }
    p.resetSmoothing();
    EXPECT_FLOAT_EQ(p.current(), 0.0f);

    struct Offset : KsModulationSource {
        float value = 0.3f;
        float modulationOutput() const noexcept override { return value; }
    } source;
    p.setValue(0.9f);
    p.resetSmoothing();
    p.setModulation(&source);
    EXPECT_FLOAT_EQ(p.target(), 1.0f); // 1.2 limited
    source.value = -0.2f;
    EXPECT_FLOAT_EQ(p.current(), 0.7f);
    p.setModulation(nullptr);
    EXPECT_FLOAT_EQ(p.current(), 0.9f);

    // Selector ranges round to whole numbers and read back as k / 100.
    KsParameter type(0, false, "Type", nullptr, "", 0.0f, 100.0f);
    type.setValue(0.05f);
    EXPECT_FLOAT_EQ(type.target(), 5.0f);
    EXPECT_FLOAT_EQ(type.getValue(), 0.05f);
}

} // namespace
