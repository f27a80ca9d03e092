// The renderer's Standard MIDI File reader: what it takes from a well-formed file, how malformed
// files are refused, and when the events of a file reach the plug-in.
#include "RenderToolSupport.h"

#include "tools/orvane-render/MidiFile.h"

#include <initializer_list>
#include <optional>

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
Bytes chunk(const char* id, const Bytes& body, std::optional<std::uint32_t> length = {})
{
    const std::uint32_t n = length.value_or(static_cast<std::uint32_t>(body.size()));
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
    // Each event as tick and three bytes.
    std::vector<std::uint64_t> events;
    for (const render::MidiFileEvent& e : file.events)
        events.insert(events.end(), {e.tick, e.bytes[0], e.bytes[1], e.bytes[2]});
    EXPECT_EQ(events, (std::vector<std::uint64_t>{0,    0xC1, 5,   0,    96,   0x90, 0x3C, 0x64, 96, 0x90,
                                                  0x40, 0x50, 240, 0x90, 0x3C, 0,    480,  0xB0, 18, 0}));
}

TEST(MidiFileReader, MalformedFilesAreRefusedAndLeaveTheResultAlone)
{
    const Bytes good = join({header(0, 1, 96), chunk("MTrk", join({{0x00, 0x90, 0x3C, 0x64}, kEnd}))});
    const struct {
        const char* name;
        Bytes bytes;
    } malformed[] = {
        {"empty", {}},
        {"smpte-division", join({header(0, 1, 0xE728), chunk("MTrk", kEnd)})},
        {"truncated", Bytes(good.begin(), good.end() - 3)},
        {"track-length-ffffffff", join({header(0, 1, 96), chunk("MTrk", kEnd, 0xFFFFFFFF)})},
        {"running-status-first", join({header(0, 1, 96), chunk("MTrk", join({{0x00, 0x3C, 0x64}, kEnd}))})},
    };
    for (const auto& m : malformed) {
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

TEST_F(OrvaneRender, MidiFileEventsArriveInTheirBlock)
{
    // One beat (24000 frames at 120 bpm) in, controller 18 ("MasterOn") goes to 0: from then on
    // the shell passes the input through unchanged.
    const Bytes smf = join({header(0, 1, 480), chunk("MTrk", join({{0x83, 0x60, 0xB0, 18, 0}, kEnd}))});
    std::ofstream(dir / "off.mid", std::ios::binary)
        .write(reinterpret_cast<const char*>(smf.data()), static_cast<std::streamsize>(smf.size()));
    writeWav(dir / "in.wav", 2, 48000, std::vector<float>(96000, 0.25f));
    const RunResult r = run("--quiet --block 512 --midi " + quoted(dir / "off.mid") + " " +
                            quoted(dir / "in.wav") + " " + quoted(dir / "out.wav"));
    ASSERT_EQ(r.status, 0) << r.err;
    const Wav out = readWav(dir / "out.wav");
    ASSERT_EQ(out.samples.size(), 2u * 48000u);
    const float in = static_cast<float>(std::lround(0.25f * 32767.0f)) / 32768.0f;
    // Before the event the engine runs (a gain of 1.0027); from the block after it, pass-through.
    EXPECT_NEAR(out.samples[2 * 20000], in * kUnityGain, 1e-5);
    const std::size_t after = (24000 / 512 + 1) * 512;
    for (std::size_t frame = after; frame < 48000; frame += 97)
        ASSERT_EQ(out.samples[2 * frame], in) << frame;
}
