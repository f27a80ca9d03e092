// The parameter table: one record per engine parameter, in index order, and the
// three tempo-sync tables. This is the only place the names, kinds, units,
// ranges and defaults are written; the engine builds its KsParameter objects
// from it, and the renderer, plug-in metadata and editor read it through the engine.
#pragma once

constexpr int kParameterCount = 366;   // every parameter
constexpr int kAutomatableCount = 344; // host-visible, stored in programs (0..343)
constexpr int kPatternCount = 8;
constexpr int kStepCount = 16;

// A tempo-sync table: note lengths in whole notes (4 beats = 1.0) and their names.
struct KsSyncTable {
    int count;
    const float* beats;
    const char* const* names;
    float freeMinHz;
    float freeMaxHz;
};

// "PanRate", "CutoffModRate": 33 entries "1/32T" .. "32/1*", free 0.02..8 Hz.
extern const KsSyncTable rateSyncTable;
// "DelayLRate", "DelayRRate": 21 entries "1/32T" .. "2/1*", free range 0..0.
extern const KsSyncTable delaySyncTable;
// "SeqLength": 18 entries "1/2T" .. "16/1*", free 0.02..8 Hz.
extern const KsSyncTable lengthSyncTable;

enum class SyncUse {
    None,   // not a rate
    Rate,   // rateSyncTable
    Delay,  // delaySyncTable, interpolated free rates shown in ms
    Length, // lengthSyncTable, always synced
    Free,   // no sync table, free 0.02..8 Hz
};

struct ParameterInfo {
    int kind;
    bool announces;
    const char* name;
    const char* altName; // never null; may be empty
    const char* unit;    // null when the parameter has no unit
    float minimum;
    float maximum;
    float defaultValue; // normalised product default (0 for the internal parameters)
    SyncUse sync;
};

// Record of a parameter index 0..365 (the index is limited to that range).
const ParameterInfo& parameterInfo(int index) noexcept;

// Index of pattern p (0..7), step s (0..15) step volume; the tie is 16 further on.
constexpr int stepVolumeIndex(int p, int s)
{
    return 52 + 33 * p + s;
}
constexpr int stepTieIndex(int p, int s)
{
    return 68 + 33 * p + s;
}
constexpr int chainIndex(int p)
{
    return 51 + 33 * p;
}
constexpr int filterChainIndex(int p)
{
    return 315 + p;
}
constexpr int panChainIndex(int p)
{
    return 323 + p;
}
constexpr int gateChainIndex(int p)
{
    return 331 + p;
}
