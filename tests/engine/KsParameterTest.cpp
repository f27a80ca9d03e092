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
    EXPECT_DOUBLE_EQ(panRate.syncPhase(-1.0), 0.0); // before the song start
    for (float bad : {0.0f, -60.0f, NAN, INFINITY}) // invalid tempos count as 120
        EXPECT_FLOAT_EQ(panRate.rateHz(bad), 0.5f);
    panRate.setSynced(false);
    panRate.setValue(0.5f);
    EXPECT_FLOAT_EQ(panRate.rateHz(120.0f), 4.01f);
    EXPECT_DOUBLE_EQ(panRate.syncPhase(3.0), -1.0);
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
    EXPECT_FLOAT_EQ(p.read(512), 1.0f);
    // Out of range is limited, NaN ignored.
    for (const auto& [in, out] : {std::pair{2.0f, 1.0f}, {NAN, 1.0f}, {-3.0f, 0.0f}}) {
        p.setValue(in);
        EXPECT_FLOAT_EQ(p.target(), out) << in;
    }

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
}

} // namespace
