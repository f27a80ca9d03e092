// Shared pieces of orvane-render: the options, the engine set-up, the demo input
// and the parameter listing.
#pragma once

#include "engine/Orvane.h"
#include "host/HostShell.h"

#include <cstdint>
#include <memory>

#include <string>
#include <utility>
#include <vector>

namespace render
{

using host::Setting;
using host::UsageError;

// One --midi-note: a note-on at a song position in beats.
struct NoteEvent {
    double beat;
    int note;
};

// The renderer's options besides those that set the shell up.
struct Options : host::ShellOptions {
    std::vector<std::string> files; // INPUT OUTPUT, or OUTPUT with --demo
    std::vector<std::string> shows; // --show NAME=VALUE, in order
    int block = 512;
    double tail = 0.0;
    std::string format; // --format; empty: float, or pcm24 where floats do not fit
    bool demo = false;
    bool listParams = false;
    bool json = false;
    bool quiet = false;
    bool printState = false;            // --print-state: the 344 stored values as JSON
    std::vector<std::string> midiNotes; // --midi-note BEAT:NOTE, in any order
    bool listPrograms = false;          // --list-programs
    std::string midiFile;               // --midi FILE.mid
};

// The shell hosted by the renderer, and its set-up (shared with the other programs).
using RenderShell = host::HostShell;
using host::setUpShell;

// Prints the 64 program names of the shell's programs (text or JSON).
void listPrograms(RenderShell& shell, bool json);

// One MIDI message at a frame from the start of the render.
struct TimedEvent {
    long long frame;
    std::uint8_t bytes[3];
};
// The --midi-note notes and the --midi file's channel messages, in frame order, timed at
// --tempo (the file's tempo map is not used; its beat 0 is the first frame of the render).
std::vector<TimedEvent> collectMidi(const Options& options, int sampleRate);
// Hands each event to the shell's processEvents in the block that contains it.
struct MidiDelivery {
    std::vector<TimedEvent> events;
    std::size_t next = 0;
    std::vector<VstMidiEvent> midi;
    std::vector<VstEvent*> pointers;
    void deliver(RenderShell& shell, long long blockStart, int frames);
};

using host::parseSetting;

// The set-up every run shares: sample rate, the product defaults of the 344
// stored parameters in index order, the settings in order, tempo and position, resume.
// With randomize, the randomiser runs after the settings (randomizeEngine).
void setUpEngine(Orvane& engine, float sampleRate, const std::vector<Setting>& settings, double tempo,
                 double position, bool randomize = false);

using host::randomizeEngine;
using host::seedGenerator;
// Prints the 344 stored parameters' normalised values as a JSON array in index order.
void printState(const Orvane& engine);
// Parses BEAT:NOTE; throws UsageError naming the problem.
NoteEvent parseNote(const std::string& text);

// Settings that show the product off in the demo, by parameter name.
std::vector<Setting> demoSettings(const Orvane& engine);
// Eight seconds (at the given tempo's bars) of chords and percussion at 48 kHz, deterministic.
void synthesiseDemo(double tempo, std::vector<float>& left, std::vector<float>& right);

// Writes the parameter table (text or JSON) to stdout.
void listParameters(bool json);
// Prints display text and unit for each NAME=VALUE after the settings are applied.
void showValues(const std::vector<Setting>& settings, const std::vector<std::string>& shows, bool json);

using host::jsonNumber;
using host::jsonString;

} // namespace render
