// Fuzz target: "MidiConfig.txt" text read into a controller map with the built-in entries; a
// malformed text must change nothing.
#include "engine/MidiCcMap.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static MidiCcMap map;
    map.clear();
    for (int i = 0; i < 344; ++i)
        map.add("Parameter", -1);
    map.applyDefaults();
    static MidiCcMap::Entry before[MidiCcMap::kMaxEntries];
    std::memcpy(before, map.entries, sizeof before);
    const int countBefore = map.count;
    // A refused text leaves the map exactly as it was.
    if (!map.parse(reinterpret_cast<const char*>(data), size) &&
        (map.count != countBefore || std::memcmp(before, map.entries, sizeof before) != 0))
        std::abort();
    if (map.count < 0 || map.count > MidiCcMap::kMaxEntries) std::abort();
    for (int i = 0; i < map.count; ++i) {
        if (std::memchr(map.entries[i].name, 0, MidiCcMap::kNameSize) == nullptr) std::abort();
        if (map.entries[i].controller < -32768 || map.entries[i].controller > 32768) std::abort();
    }
    map.findParameter(21, 344);
    return 0;
}
