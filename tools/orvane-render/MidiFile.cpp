#include "MidiFile.h"

#include <utility>

namespace render
{

namespace
{

// A bounded cursor over the file image: every read checks what remains and fails instead of
// reading past the end.
struct Reader {
    const std::uint8_t* data;
    std::size_t at;
    std::size_t end;

    std::size_t left() const { return end - at; }
    bool byte(std::uint8_t& b)
    {
        if (at >= end) return false;
        b = data[at++];
        return true;
    }
    bool big(int bytes, std::uint32_t& value)
    {
        if (left() < static_cast<std::size_t>(bytes)) return false;
        value = 0;
        for (int i = 0; i < bytes; ++i)
            value = value << 8 | data[at++];
        return true;
    }
    // A variable-length quantity: seven bits a byte, most significant first, at most four bytes.
    bool quantity(std::uint32_t& value)
    {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint8_t b;
            if (!byte(b)) return false;
            value = value << 7 | (b & 0x7Fu);
            if ((b & 0x80) == 0) return true;
        }
        return false;
    }
};

// Reads one track chunk's body; appends its channel messages. Returns an empty text or the
// reason the track is malformed.
std::string readTrack(Reader track, std::vector<MidiFileEvent>& events)
{
    std::uint64_t tick = 0;
    // Running status: a channel message may leave out its status byte when it repeats the last
    // one. Meta and system exclusive events in between are tolerated and keep it.
    std::uint8_t running = 0;
    while (track.left() > 0) {
        std::uint32_t delta;
        if (!track.quantity(delta)) return "truncated or overlong delta time";
        tick += delta;
        std::uint8_t status;
        if (!track.byte(status)) return "event without a status";
        if (status < 0x80) {
            if (running == 0) return "running status without a prior status byte";
            --track.at; // the byte is the first data byte of a message with the last status
            status = running;
        }
        if (status < 0xF0) {
            MidiFileEvent event{tick, {status, 0, 0}};
            const int dataBytes = (status & 0xE0) == 0xC0 ? 1 : 2; // program change, channel pressure
            for (int i = 1; i <= dataBytes; ++i) {
                if (!track.byte(event.bytes[i])) return "truncated channel message";
                if (event.bytes[i] >= 0x80) return "status byte inside a channel message";
            }
            running = status;
            events.push_back(event);
        } else if (status == 0xFF || status == 0xF0 || status == 0xF7) {
            std::uint8_t type = 0;
            if (status == 0xFF && !track.byte(type)) return "truncated meta event";
            std::uint32_t length;
            if (!track.quantity(length) || length > track.left()) return "event longer than its track";
            track.at += length;
            if (status == 0xFF && type == 0x2F) break; // end of track: anything after it is ignored
        } else {
            return "system message inside a track";
        }
    }
    return {};
}

} // namespace

bool readMidiFile(const std::uint8_t* data, std::size_t size, MidiFile& file, std::string& error)
{
    Reader in{data, 0, data ? size : 0};
    std::uint32_t id = 0, length = 0, format = 0, tracks = 0, division = 0;
    if (!in.big(4, id) || id != 0x4D546864u) { // "MThd"
        error = "not a Standard MIDI File";
        return false;
    }
    if (!in.big(4, length) || length < 6 || length > in.left() || !in.big(2, format) || !in.big(2, tracks) ||
        !in.big(2, division)) {
        error = "truncated or malformed header";
        return false;
    }
    in.at += length - 6; // a longer header's extra bytes are skipped
    if (format > 1) {
        error = "format " + std::to_string(format) + " is not supported (only 0 and 1)";
        return false;
    }
    if (tracks < 1) {
        error = "no tracks";
        return false;
    }
    if ((division & 0x8000u) != 0 || division == 0) {
        error = "time division is not in ticks per quarter note";
        return false;
    }

    std::vector<MidiFileEvent> events;
    for (std::uint32_t t = 0; t < tracks;) {
        if (!in.big(4, id) || !in.big(4, length) || length > in.left()) {
            error = "truncated at track " + std::to_string(t + 1) + " of " + std::to_string(tracks);
            return false;
        }
        Reader body{data, in.at, in.at + length};
        in.at += length;
        if (id != 0x4D54726Bu) continue; // "MTrk"; chunks of other kinds are skipped
        ++t;
        const std::string problem = readTrack(body, events);
        if (!problem.empty()) {
            error = "track " + std::to_string(t) + ": " + problem;
            return false;
        }
    }
    file.format = static_cast<int>(format);
    file.ticksPerQuarter = static_cast<int>(division);
    file.events = std::move(events);
    return true;
}

} // namespace render
