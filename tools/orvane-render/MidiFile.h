// A reader of Standard MIDI Files (formats 0 and 1, tick division) for the renderer: the
// channel messages of every track with their times in ticks. Meta events (the tempo map
// among them) and system exclusive data are read past and dropped.
//
// readMidiFile(data, size, file, error): parses a whole file image; on success fills file and
// returns true, otherwise returns false with a one-line reason in error and leaves file
// untouched. Every length in the file is checked against the bytes that remain, so a
// truncated or hostile image is refused without reading outside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace render
{

struct MidiFileEvent {
    std::uint64_t tick;    // from the start of the file's track
    std::uint8_t bytes[3]; // status and up to two data bytes (unused ones are 0)
};

struct MidiFile {
    int format = 0;                    // 0 or 1
    int ticksPerQuarter = 0;           // 1..32767
    std::vector<MidiFileEvent> events; // track by track, each track in time order
};

bool readMidiFile(const std::uint8_t* data, std::size_t size, MidiFile& file, std::string& error);

} // namespace render
