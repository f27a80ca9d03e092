#include "engine/ParameterTable.h"

#include <array>
#include <cstdio>

namespace
{

// Note lengths in whole notes (4 beats = 1.0): each base length 1/32 .. 32/1 gives
// a triplet ("T", two thirds), a straight and a dotted ("*", one and a half) entry.
constexpr float kSyncBeats[33] = {1.0f / 48, 1.0f / 32, 3.0f / 64, 1.0f / 24, 1.0f / 16, 3.0f / 32, 1.0f / 12,
                                  1.0f / 8,  3.0f / 16, 1.0f / 6,  1.0f / 4,  3.0f / 8,  1.0f / 3,  1.0f / 2,
                                  3.0f / 4,  2.0f / 3,  1.0f,      1.5f,      4.0f / 3,  2.0f,      3.0f,
                                  8.0f / 3,  4.0f,      6.0f,      16.0f / 3, 8.0f,      12.0f,     32.0f / 3,
                                  16.0f,     24.0f,     64.0f / 3, 32.0f,     48.0f};
constexpr const char* kSyncNames[33] = {
    "1/32T", "1/32", "1/32*", "1/16T", "1/16", "1/16*", "1/8T", "1/8",   "1/8*",  "1/4T", "1/4",
    "1/4*",  "1/2T", "1/2",   "1/2*",  "1/1T", "1/1",   "1/1*", "2/1T",  "2/1",   "2/1*", "4/1T",
    "4/1",   "4/1*", "8/1T",  "8/1",   "8/1*", "16/1T", "16/1", "16/1*", "32/1T", "32/1", "32/1*"};

struct Base {
    int kind;
    bool announces;
    const char* name;
    const char* altName; // null: same as name
    const char* unit;    // null: absent
    float minimum, maximum, defaultValue;
    SyncUse sync;
};

constexpr SyncUse N = SyncUse::None;

// Parameters 0..50.
constexpr Base kBaseTable[] = {
    {0, false, "TranceGateOn", nullptr, "", 0, 1, 0, N},
    {0, false, "PanOn", nullptr, "", 0, 1, 0, N},
    {0, false, "PanSource", nullptr, "", 0, 100, 0, N},
    {0, false, "PanShape", nullptr, "", 0, 100, 0, N},
    {1, true, "PanDepth", nullptr, "%", 0, 1, 0.5f, N},
    {2, true, "PanRate", nullptr, "", 0, 1, 0.5f, SyncUse::Rate},
    {0, false, "PanRateSync", nullptr, "", 0, 1, 1, N},
    {0, false, "MmFilterOn", nullptr, "", 0, 1, 0, N},
    {1, true, "MmFilterMix", nullptr, "%", 0, 1, 1, N},
    {0, false, "MmFilterType", nullptr, "", 0, 100, 0, N},
    {6, true, "MmFilterCutoff", nullptr, "Hz", 0, 1, 0.5f, N},
    {1, true, "MmFilterRes", nullptr, "%", 0, 1, 0, N},
    {0, false, "CutoffModOn", nullptr, "", 0, 1, 0, N},
    {0, false, "CutoffModSource", nullptr, "", 0, 100, 0, N},
    {0, false, "CutoffModShape", nullptr, "", 0, 100, 0, N},
    {1, true, "CutoffModDepth", "FiltModDepth", "%", 0, 1, 0.5f, N},
    {2, true, "CutoffModRate", "FiltModRate", "", 0, 1, 0.5f, SyncUse::Rate},
    {0, false, "CutoffModRateSync", nullptr, "", 0, 1, 1, N},
    {0, false, "DistOn", "EnhOn", "", 0, 1, 0, N},
    {1, true, "DistXcita", "EnhXcita", "%", 0, 1, 0, N},
    {1, true, "DistSoftSat", "EnhSoftSat", "%", 0, 1, 0, N},
    {0, false, "FlangerOn", nullptr, "", 0, 1, 0, N},
    {1, true, "FlangerMix", nullptr, "%", 0, 1, 1, N},
    {4, true, "FlangerDelay", nullptr, "ms", 0.1f, 10.0f, 0.5f, N},
    {2, true, "FlangerRate", nullptr, "", 0, 1, 0.5f, SyncUse::Free},
    {1, true, "FlangerDepth", nullptr, "%", 0, 1, 0.5f, N},
    {4, true, "FlangerFeedback", "FlangerFbck", "", 0, 0.95f, 0, N},
    {0, false, "DelayOn", nullptr, "", 0, 1, 0, N},
    {1, true, "DelayMix", nullptr, "%", 0, 1, 1, N},
    {1, true, "DelayFeedback", "DelayFbck", "%", 0, 1, 0, N},
    {3, true, "DelayLRate", nullptr, "", 0, 1, 0.5f, SyncUse::Delay},
    {3, true, "DelayRRate", nullptr, "", 0, 1, 0.5f, SyncUse::Delay},
    {0, false, "DelayRateSync", nullptr, "", 0, 1, 1, N},
    {6, true, "DelayCutoff", nullptr, "Hz", 0, 1, 1, N},
    {0, false, "ReverbOn", nullptr, "", 0, 1, 0, N},
    {1, true, "ReverbMix", nullptr, "%", 0, 1, 0, N},
    {1, true, "ReverbSize", nullptr, "%", 0, 1, 0.5f, N},
    {0, false, "MasterOn", nullptr, "", 0, 1, 1, N},
    {1, true, "MasterMix", nullptr, "%", 0, 1, 1, N},
    {9, true, "MasterVolume", nullptr, "dB", 0, 1, 0.77f, N},
    {0, false, "MorphXParam", nullptr, "", 0, 100, 0.01f, N},
    {0, false, "MorphYParam", nullptr, "", 0, 100, 0.02f, N},
    {1, true, "SeqAttack", nullptr, "%", 0, 1, 0, N},
    {1, true, "SeqSustain", nullptr, "%", 0, 1, 0.3f, N},
    {1, true, "SeqDecay", nullptr, "%", 0, 1, 0.5f, N},
    {1, true, "SeqShuffle", nullptr, "%", 0, 1, 0, N},
    {2, true, "SeqLength", nullptr, "", 0, 1, 0.5f, SyncUse::Length},
    {0, false, "SeqVolMode", nullptr, nullptr, 0, 1, 1, N},
    {0, false, "SeqMidiNoteTrigger", nullptr, "", 0, 1, 0, N},
    {0, false, "SeqFilterStart", nullptr, "", 0, 100, 0, N},
    {0, false, "SeqTGateStart", nullptr, "", 0, 100, 0, N},
};
static_assert(sizeof kBaseTable / sizeof kBaseTable[0] == 51);

// Parameters 339..365. altName: null = same as name.
constexpr const char* kEmpty = "";
constexpr Base kTailTable[] = {
    {0, false, "Unused1", nullptr, nullptr, 0, 1, 0, N},
    {0, false, "Unused2", nullptr, nullptr, 0, 1, 0, N},
    {0, false, "Unused3", nullptr, nullptr, 0, 1, 0, N},
    {0, false, "Unused4", nullptr, nullptr, 0, 1, 0, N},
    {0, false, "Unused5", nullptr, nullptr, 0, 1, 0, N},
    {1, false, "Unused", kEmpty, nullptr, 0, 1, 0, N},
    {1, false, "Randomize", kEmpty, nullptr, 0, 1, 0, N},
    {1, false, "ParamDisplay", kEmpty, nullptr, 0, 1, 0, N},
    {1, false, "MorphSquare", kEmpty, nullptr, 0, 1, 0, N},
    {1, false, "LevelMeterL", kEmpty, nullptr, 0, 1, 0, N},
    {1, false, "LevelMeterR", kEmpty, nullptr, 0, 1, 0, N},
    {1, false, "StepSeqVol", kEmpty, nullptr, 0, 1, 0, N},
    {1, false, "StepSeqTie", kEmpty, nullptr, 0, 1, 0, N},
    {1, false, "PanPosition", kEmpty, nullptr, 0, 1, 0, N},
    {0, false, "CurrentPattern", kEmpty, "", 0, 100, 0, N},
    {0, false, "SeqFilterStartClk", nullptr, nullptr, 0, 1, 0, N},
    {0, false, "SeqPanStartClk", nullptr, nullptr, 0, 1, 0, N},
    {0, false, "SeqTGateStartClk", nullptr, nullptr, 0, 1, 0, N},
    {0, false, "SeqPatternChain", kEmpty, nullptr, 0, 1, 0, N},
    {0, false, "SeqPatternCopy", kEmpty, nullptr, 0, 1, 0, N},
    {0, false, "SeqPatternPaste", kEmpty, nullptr, 0, 1, 0, N},
    {0, false, "VersionDisplay", nullptr, nullptr, 0, 1, 0, N},
    {0, false, "GlobalMenu", nullptr, nullptr, 0, 1, 0, N},
    {0, false, "StepSeqMenu", nullptr, nullptr, 0, 1, 0, N},
    {0, false, "UpDownPreset", nullptr, nullptr, 0, 1, 0, N},
    {0, false, "Dummy", nullptr, nullptr, 0, 1, 0, N},
    {0, false, "InfoLink", nullptr, "", 0, 100, 0, N},
};
constexpr int kTailFirst = 339;
static_assert(kTailFirst + sizeof kTailTable / sizeof kTailTable[0] == kParameterCount);

ParameterInfo fromBase(const Base& b)
{
    return {b.kind,    b.announces,    b.name, b.altName ? b.altName : b.name, b.unit, b.minimum,
            b.maximum, b.defaultValue, b.sync};
}

struct Table {
    std::array<ParameterInfo, kParameterCount> info;
    // Generated pattern names.
    char volNames[kPatternCount][kStepCount][24];
    char tieNames[kPatternCount][kStepCount][24];
    char filtNames[kPatternCount][24], panNames[kPatternCount][24], gateNames[kPatternCount][24];
};

Table buildTable()
{
    Table t{};
    for (int i = 0; i < 51; ++i)
        t.info[i] = fromBase(kBaseTable[i]);
    // The eight patterns: chain value, 16 step volumes, 16 ties, and three chain switches.
    for (int p = 0; p < kPatternCount; ++p) {
        t.info[chainIndex(p)] = {0, false, "Chain", "Chain", "", 0, 100, 0, N};
        for (int s = 0; s < kStepCount; ++s) {
            std::snprintf(t.volNames[p][s], sizeof t.volNames[p][s], "Seq%dStep%dVol", p + 1, s + 1);
            std::snprintf(t.tieNames[p][s], sizeof t.tieNames[p][s], "Seq%dTie%dVol", p + 1, s + 1);
            t.info[stepVolumeIndex(p, s)] = {1, false, t.volNames[p][s], t.volNames[p][s], nullptr, 0, 1,
                                             0, N};
            t.info[stepTieIndex(p, s)] = {0, false, t.tieNames[p][s], t.tieNames[p][s], nullptr, 0, 1, 0, N};
        }
        std::snprintf(t.filtNames[p], sizeof t.filtNames[p], "SeqPat%dFiltOn", p + 1);
        std::snprintf(t.panNames[p], sizeof t.panNames[p], "SeqPat%dPanOn", p + 1);
        std::snprintf(t.gateNames[p], sizeof t.gateNames[p], "SeqPat%dTGateOn", p + 1);
        t.info[filterChainIndex(p)] = {0, false, t.filtNames[p], t.filtNames[p], "", 0, 1, 0, N};
        t.info[panChainIndex(p)] = {0, false, t.panNames[p], t.panNames[p], "", 0, 1, 0, N};
        t.info[gateChainIndex(p)] = {0, false, t.gateNames[p], t.gateNames[p], "", 0, 1, 0, N};
    }
    for (int i = kTailFirst; i < kParameterCount; ++i)
        t.info[i] = fromBase(kTailTable[i - kTailFirst]);
    return t;
}

} // namespace

constexpr KsSyncTable rateSyncTable = {33, kSyncBeats, kSyncNames, 0.02f, 8.0f};
constexpr KsSyncTable delaySyncTable = {21, kSyncBeats, kSyncNames, 0.0f, 0.0f};
// "1/2T" is entry 12 of the full list.
constexpr KsSyncTable lengthSyncTable = {18, kSyncBeats + 12, kSyncNames + 12, 0.02f, 8.0f};

const ParameterInfo& parameterInfo(int index) noexcept
{
    static const Table table = buildTable();
    if (index < 0) index = 0;
    if (index >= kParameterCount) index = kParameterCount - 1;
    return table.info[static_cast<std::size_t>(index)];
}
