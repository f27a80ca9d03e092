// The renderer as a host of the plug-in shell: transport, programs and banks, MIDI events.
#include "Render.h"
#include "engine/KsProgram.h"
#include "engine/ParameterTable.h"

#include <smf.h>

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
        // libsmf refuses a file whose header it cannot use without releasing what it allocated,
        // so the header is checked here first: "MThd", length 6, format 0 or 1, at least one
        // track, and a division in ticks per quarter note.
        unsigned char header[14] = {};
        std::ifstream probe(options.midiFile, std::ios::binary);
        probe.read(reinterpret_cast<char*>(header), sizeof header);
        const auto be16 = [&](int at) { return (header[at] << 8) | header[at + 1]; };
        const bool usable = probe.gcount() == sizeof header &&
                            std::memcmp(header, "MThd\0\0\0\x06", 8) == 0 && be16(8) <= 1 && be16(10) >= 1 &&
                            (header[12] & 0x80) == 0 && be16(12) > 0;
        if (!usable) throw UsageError{"cannot read MIDI file '" + options.midiFile + "'"};
        smf_t* smf = smf_load(options.midiFile.c_str());
        if (!smf) throw UsageError{"cannot read MIDI file '" + options.midiFile + "'"};
        const double ppqn = smf->ppqn > 0 ? smf->ppqn : 96;
        while (smf_event_t* event = smf_get_next_event(smf)) {
            // Channel messages only: meta events and system exclusive data have no meaning here.
            if (smf_event_is_metadata(event) || smf_event_is_sysex(event) || event->midi_buffer_length < 1)
                continue;
            const std::uint8_t status = event->midi_buffer[0];
            if (status < 0x80 || status >= 0xF0) continue;
            TimedEvent timed{std::llround(event->time_pulses / ppqn * framesPerBeat), {status, 0, 0}};
            for (int i = 1; i < 3 && i < event->midi_buffer_length; ++i)
                timed.bytes[i] = static_cast<std::uint8_t>(event->midi_buffer[i] & 0x7F);
            events.push_back(timed);
        }
        smf_delete(smf);
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
