#include "engine/MidiCcMap.h"

#include <cstdio>

namespace
{

// Built-in assignments: parameter indices first..last get controller index + offset.
struct DefaultRange {
    int first, last, offset;
};
constexpr DefaultRange kDefaultRanges[] = {
    {0, 0, 21},    // "TranceGateOn" 21
    {1, 17, 30},   // "PanOn" .. "CutoffModRateSync" 31..47
    {18, 20, 10},  // "DistOn", "DistXcita", "DistSoftSat" 28..30
    {21, 36, 27},  // "FlangerOn" .. "ReverbSize" 48..63
    {37, 39, -19}, // "MasterOn", "MasterMix", "MasterVolume" 18..20
    {40, 41, -24}, // "MorphXParam", "MorphYParam" 16, 17
    {42, 47, -20}, // "SeqAttack" .. "SeqVolMode" 22..27
    {52, 83, 12},  // pattern 1 step volumes and ties 64..95
};

} // namespace

void MidiCcMap::add(const char* name, int controller) noexcept
{
    if (count >= kMaxEntries) return;
    Entry& e = entries[count++];
    std::snprintf(e.name, sizeof e.name, "%s", name ? name : "");
    e.controller = controller;
}

int MidiCcMap::defaultController(int index) noexcept
{
    for (const DefaultRange& r : kDefaultRanges)
        if (index >= r.first && index <= r.last) return index + r.offset;
    return -1;
}

void MidiCcMap::applyDefaults() noexcept
{
    for (int i = 0; i < count; ++i) {
        const int c = defaultController(i);
        if (c >= 0) entries[i].controller = c;
    }
}

int MidiCcMap::controllerOf(int index) const noexcept
{
    return index >= 0 && index < count ? entries[index].controller : -1;
}

int MidiCcMap::findParameter(int controller, int limit) const noexcept
{
    const int end = limit < count ? limit : count;
    for (int i = 0; i < end; ++i)
        if (entries[i].controller == controller) return i;
    return -1;
}
