// The renderer's Standard MIDI File reader: what it takes from a well-formed file, and how
// malformed files are refused.
#include "RenderToolSupport.h"

#include "tools/orvane-render/MidiFile.h"

#include <initializer_list>

namespace
{

using Bytes = std::vector<std::uint8_t>;

Bytes header(int format, int tracks, int division)
{
    const auto b = [](int v) { return static_cast<std::uint8_t>(v); };
    return {'M',        'T', 'h', 'd', 0, 0, 0, 6, 0, b(format), b(tracks >> 8), b(tracks), b(division >> 8),
            b(division)};
}

// A chunk with the given id and body; its length field is the body's size unless given.
Bytes chunk(const char* id, const Bytes& body, long long length = -1)
{
    const auto n = static_cast<std::uint32_t>(length < 0 ? static_cast<long long>(body.size()) : length);
    Bytes out(id, id + 4);
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(n >> shift));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes join(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

const Bytes kEnd = {0x00, 0xFF, 0x2F, 0x00};

struct Malformed {
    const char* name;
    Bytes bytes;
};

std::vector<Malformed> malformedFiles()
{
    const Bytes note = {0x00, 0x90, 0x3C, 0x64};
    const Bytes good = join({header(0, 1, 96), chunk("MTrk", join({note, kEnd}))});
    return {
        {"empty", {}},
        {"header-only-id", {'M', 'T', 'h', 'd'}},
        {"not-midi", {'R', 'I', 'F', 'F', 0, 0, 0, 4, 'W', 'A', 'V', 'E', 0, 0}},
        {"short-header-length", join({{'M', 'T', 'h', 'd', 0, 0, 0, 5, 0, 0, 0, 1, 0}, chunk("MTrk", kEnd)})},
        {"huge-header-length", join({{'M', 'T', 'h', 'd', 0x7F, 0xFF, 0xFF, 0xFF}, header(0, 1, 96)})},
        {"format-2", join({header(2, 1, 96), chunk("MTrk", kEnd)})},
        {"smpte-division", join({header(0, 1, 0xE728), chunk("MTrk", kEnd)})},
        {"zero-division", join({header(0, 1, 0), chunk("MTrk", kEnd)})},
        {"no-tracks", join({header(0, 0, 96), chunk("MTrk", kEnd)})},
        {"truncated", Bytes(good.begin(), good.end() - 3)},
        {"missing-track", join({header(1, 2, 96), chunk("MTrk", kEnd)})},
        {"track-length-7fffffff", join({header(0, 1, 96), chunk("MTrk", kEnd, 0x7FFFFFFF)})},
        {"track-length-ffffffff", join({header(0, 1, 96), chunk("MTrk", kEnd, 0xFFFFFFFF)})},
        {"running-status-first", join({header(0, 1, 96), chunk("MTrk", join({{0x00, 0x3C, 0x64}, kEnd}))})},
        {"delta-five-bytes",
         join({header(0, 1, 96),
               chunk("MTrk", join({{0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 0x3C, 0x64}, kEnd}))})},
        {"meta-past-track", join({header(0, 1, 96), chunk("MTrk", {0x00, 0xFF, 0x01, 0x7F, 'a'})})},
        {"sysex-length-huge", join({header(0, 1, 96), chunk("MTrk", {0x00, 0xF0, 0xFF, 0xFF, 0xFF, 0x7F})})},
        {"status-inside-message",
         join({header(0, 1, 96), chunk("MTrk", join({{0x00, 0x90, 0x3C, 0x90}, kEnd}))})},
        {"cut-channel-message", join({header(0, 1, 96), chunk("MTrk", {0x00, 0x90, 0x3C})})},
        {"realtime-in-track", join({header(0, 1, 96), chunk("MTrk", join({{0x00, 0xF8}, kEnd}))})},
    };
}

} // namespace

TEST(MidiFileReader, ReadsChannelMessagesOfEveryTrack)
{
    const Bytes tempoTrack = join({{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}, kEnd});
    const Bytes notes = join({
        {0x00, 0xF0, 0x03, 0x7E, 0x7F, 0xF7},     // system exclusive, dropped
        {0x00, 0xC1, 0x05},                       // program change: one data byte
        {0x60, 0x90, 0x3C, 0x64},                 // note-on at tick 96
        {0x00, 0x40, 0x50},                       // running status
        {0x81, 0x00, 0xFF, 0x01, 0x02, 'h', 'i'}, // a text meta event at tick 224 keeps running status
        {0x10, 0x3C, 0x00},                       // tick 240
        kEnd,
        {0x99, 0x99}, // after the end of the track: ignored
    });
    const Bytes lastTrack = {0x83, 0x60, 0xB0, 18, 0}; // no end-of-track event: ends with its chunk
    const Bytes image = join({header(1, 3, 96), chunk("MTrk", tempoTrack), chunk("XTRA", {1, 2, 3}),
                              chunk("MTrk", notes), chunk("MTrk", lastTrack), chunk("MTrk", kEnd)});

    render::MidiFile file;
    std::string error;
    ASSERT_TRUE(render::readMidiFile(image.data(), image.size(), file, error)) << error;
    EXPECT_EQ(file.format, 1);
    EXPECT_EQ(file.ticksPerQuarter, 96);
    struct Expected {
        std::uint64_t tick;
        std::uint8_t b0, b1, b2;
    } const expected[] = {
        {0, 0xC1, 5, 0},      {96, 0x90, 0x3C, 0x64}, {96, 0x90, 0x40, 0x50},
        {240, 0x90, 0x3C, 0}, {480, 0xB0, 18, 0},
    };
    ASSERT_EQ(file.events.size(), std::size(expected));
    for (std::size_t i = 0; i < file.events.size(); ++i) {
        SCOPED_TRACE(i);
        const render::MidiFileEvent& e = file.events[i];
        EXPECT_EQ(e.tick, expected[i].tick);
        EXPECT_EQ(e.bytes[0], expected[i].b0);
        EXPECT_EQ(e.bytes[1], expected[i].b1);
        EXPECT_EQ(e.bytes[2], expected[i].b2);
    }
}

TEST(MidiFileReader, MalformedFilesAreRefusedAndLeaveTheResultAlone)
{
    for (const Malformed& m : malformedFiles()) {
        SCOPED_TRACE(m.name);
        render::MidiFile file;
        file.ticksPerQuarter = 7;
        file.events.push_back({1, {0x90, 1, 2}});
        std::string error;
        EXPECT_FALSE(render::readMidiFile(m.bytes.data(), m.bytes.size(), file, error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(file.ticksPerQuarter, 7);
        EXPECT_EQ(file.events.size(), 1u);
    }
}
