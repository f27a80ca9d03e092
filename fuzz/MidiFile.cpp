// Fuzz target: a Standard MIDI File image read for the renderer. A refused image must leave the
// result untouched and give a reason; an accepted one holds only well-formed channel messages.
#include "tools/orvane-render/MidiFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    render::MidiFile file;
    file.ticksPerQuarter = -1;
    std::string error;
    if (!render::readMidiFile(data, size, file, error)) {
        if (error.empty() || file.ticksPerQuarter != -1 || !file.events.empty()) std::abort();
        return 0;
    }
    if (file.format < 0 || file.format > 1 || file.ticksPerQuarter < 1 || file.ticksPerQuarter > 32767)
        std::abort();
    // Every channel message takes at least two bytes of the file (delta time and a data byte).
    if (file.events.size() > size / 2) std::abort();
    for (const render::MidiFileEvent& e : file.events) {
        if (e.bytes[0] < 0x80 || e.bytes[0] >= 0xF0 || e.bytes[1] >= 0x80 || e.bytes[2] >= 0x80) std::abort();
        if ((e.bytes[0] & 0xE0) == 0xC0 && e.bytes[2] != 0) std::abort();
    }
    return 0;
}
