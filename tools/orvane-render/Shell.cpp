// The renderer as a host of the plug-in shell: transport, programs and banks, MIDI events.
#include "MidiFile.h"
#include "Render.h"
#include "engine/ParameterTable.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace render
{

void listPrograms(RenderShell& shell, bool json)
{
    char name[kVstTextSize];
    if (json) std::printf("[");
    for (int i = 0; i < KsPluginVST::kProgramSlots; ++i) {
        shell.getProgramNameIndexed(0, i, name);
        if (json)
            std::printf("%s%s", i == 0 ? "" : ", ", jsonString(name).c_str());
        else
            std::printf("%2d  %s\n", i, name);
    }
    if (json) std::printf("]\n");
}

namespace
{

// The whole file, refused when it cannot be read or is far larger than any MIDI file.
std::vector<std::uint8_t> readMidiImage(const std::string& path, std::string& error)
{
    constexpr std::size_t kMaxBytes = 16u << 20;
    std::vector<std::uint8_t> image;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open it";
        return image;
    }
    std::vector<char> chunk(1u << 16);
    while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
        image.insert(image.end(), chunk.begin(), chunk.begin() + in.gcount());
        if (image.size() > kMaxBytes) {
            error = "larger than 16 MiB";
            break;
        }
    }
    if (in.bad()) error = "cannot read it";
    return image;
}

} // namespace

std::vector<TimedEvent> collectMidi(const Options& options, int sampleRate)
{
    std::vector<TimedEvent> events;
    const double framesPerBeat = 60.0 / options.tempo * sampleRate;
    for (const std::string& text : options.midiNotes) {
        const NoteEvent note = parseNote(text);
        events.push_back({std::llround((note.beat - options.position) * framesPerBeat),
                          {0x90, static_cast<std::uint8_t>(note.note), 100}});
    }
    if (!options.midiFile.empty()) {
        std::string error;
        const std::vector<std::uint8_t> image = readMidiImage(options.midiFile, error);
        MidiFile file;
        if (!error.empty() || !readMidiFile(image.data(), image.size(), file, error))
            throw UsageError{"cannot read MIDI file '" + options.midiFile + "': " + error};
        // Past any frame a render can reach; keeps the conversion in range for hostile times.
        const double lastFrame = 4.0e18;
        for (const MidiFileEvent& event : file.events) {
            const double frame = static_cast<double>(event.tick) / file.ticksPerQuarter * framesPerBeat;
            events.push_back(
                {std::llround(std::min(frame, lastFrame)), {event.bytes[0], event.bytes[1], event.bytes[2]}});
        }
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const TimedEvent& a, const TimedEvent& b) { return a.frame < b.frame; });
    return events;
}

void MidiDelivery::deliver(RenderShell& shell, long long blockStart, int frames)
{
    midi.clear();
    for (; next < events.size() && events[next].frame < blockStart + frames; ++next) {
        VstMidiEvent event;
        event.deltaFrames = static_cast<VstInt32>(std::max(0LL, events[next].frame - blockStart));
        for (int i = 0; i < 3; ++i)
            event.midiData[i] = static_cast<char>(events[next].bytes[i]);
        midi.push_back(event);
    }
    if (midi.empty()) return;
    pointers.clear();
    for (VstMidiEvent& event : midi)
        pointers.push_back(reinterpret_cast<VstEvent*>(&event));
    VstEvents block;
    block.numEvents = static_cast<VstInt32>(pointers.size());
    block.events = pointers.data();
    shell.processEvents(&block);
}

} // namespace render
