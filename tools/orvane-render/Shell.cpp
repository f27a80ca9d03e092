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

RenderShell::RenderShell() : OrvaneVST(nullptr) {}

VstTimeInfo* RenderShell::getTimeInfo(VstInt32)
{
    return &time;
}

void RenderShell::startTransport(double tempo, double position, double rate)
{
    time = VstTimeInfo{};
    time.tempo = tempo;
    time.ppqPos = position;
    time.sampleRate = rate;
    time.flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid;
}

void RenderShell::advanceTransport(int frames)
{
    time.samplePos += frames;
    time.ppqPos += frames * time.tempo / (60.0 * time.sampleRate);
    time.flags &= ~kVstTransportChanged;
}

std::unique_ptr<RenderShell> setUpShell(const Options& options, float sampleRate,
                                        const std::vector<Setting>& settings)
{
    auto shell = std::make_unique<RenderShell>();
    // The shell starts the generator from the clock; the renderer's seed decides instead.
    seedGenerator(options.seed);
    shell->setSampleRate(sampleRate);

    if (!options.bankFile.empty() && !shell->loadBankFile(options.bankFile.c_str()))
        throw UsageError{"cannot load bank '" + options.bankFile + "': not a readable Orvane bank file"};
    if (options.program >= 0) {
        // Without --bank the program comes from the data folder's bank 0, which must have loaded.
        if (options.bankFile.empty() && shell->getLoadedBank() < 0)
            throw UsageError{"--program " + std::to_string(options.program) +
                             ": no bank could be read (give --bank FILE.fxb, or keep a bank in '" +
                             shell->getDataFolder() + "')"};
        shell->setProgram(options.program);
    }
    if (!options.presetFile.empty() && !shell->loadPresetFile(options.presetFile.c_str()))
        throw UsageError{"cannot load preset '" + options.presetFile +
                         "': not a readable Orvane preset file"};
    // No program source: the current program at the product defaults (named after them),
    // whatever bank the data folder holds.
    if (options.bankFile.empty() && options.program < 0 && options.presetFile.empty()) shell->resetProgram();
    for (const Setting& s : settings)
        shell->setParameter(s.index, s.value);
    if (options.randomize) {
        randomizeEngine(static_cast<Orvane&>(*shell->getEngine()));
        // What the randomiser chose is stored in the current program like any edit.
        for (int i = 0; i < kAutomatableCount; ++i)
            shell->setParameter(i, shell->getParameter(i));
    }

    if (!options.savePreset.empty() && !shell->savePresetFile(options.savePreset.c_str()))
        throw UsageError{"cannot write preset '" + options.savePreset + "'"};
    if (!options.saveBank.empty() && !shell->saveBankFile(options.saveBank.c_str()))
        throw UsageError{"cannot write bank '" + options.saveBank + "'"};

    shell->startTransport(options.tempo, options.position, sampleRate);
    shell->resume();
    return shell;
}

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
