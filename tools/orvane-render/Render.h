// Shared pieces of orvane-render: the options, the engine set-up, the demo input
// and the parameter listing.
#pragma once

#include "engine/Orvane.h"
#include "shell/OrvaneVST.h"

#include <cstdint>
#include <memory>

#include <string>
#include <utility>
#include <vector>

namespace render
{

// A refused command line or input: main prints "orvane-render: error: <message>" and exits with 2.
struct UsageError {
    std::string message;
};

// One --set (or demo) setting: a parameter index and a normalised value.
struct Setting {
    int index;
    float value;
};

// One --midi-note: a note-on at a song position in beats.
struct NoteEvent {
    double beat;
    int note;
};

struct Options {
    std::vector<std::string> files; // INPUT OUTPUT, or OUTPUT with --demo
    std::vector<std::string> sets;  // --set NAME=VALUE, in order
    std::vector<std::string> shows; // --show NAME=VALUE, in order
    double tempo = 120.0;
    double position = 0.0;
    int block = 512;
    double tail = 0.0;
    std::string format; // --format; empty: float, or pcm24 where floats do not fit
    bool demo = false;
    bool listParams = false;
    bool json = false;
    bool quiet = false;
    std::string seed = "1";             // --seed: a number, or "time"
    bool randomize = false;             // --randomize after the settings
    bool printState = false;            // --print-state: the 344 stored values as JSON
    std::vector<std::string> midiNotes; // --midi-note BEAT:NOTE, in any order
    std::string presetFile;             // --preset FILE.fxp into the current program
    std::string bankFile;               // --bank FILE.fxb into the 64 programs
    int program = -1;                   // --program N (0..63), -1 when not given
    std::string savePreset;             // --save-preset FILE.fxp after the set-up
    std::string saveBank;               // --save-bank FILE.fxb after the set-up
    bool listPrograms = false;          // --list-programs
    std::string midiFile;               // --midi FILE.mid
};

// The plug-in shell hosted by the renderer: its time information is the renderer's transport
// (tempo, position advancing with the frames, playing).
class RenderShell : public OrvaneVST
{
  public:
    RenderShell();
    VstTimeInfo* getTimeInfo(VstInt32 filter) override;
    void startTransport(double tempo, double position, double rate);
    void advanceTransport(int frames);

  private:
    VstTimeInfo time;
};

// The shell set up as a host leaves it before the first block: sample rate; the bank, program
// and preset given (or, with none of them, the product defaults); the settings in order; the
// randomiser; the saves asked for; then transport and resume. Throws UsageError when a file is
// refused or cannot be written.
std::unique_ptr<RenderShell> setUpShell(const Options& options, float sampleRate,
                                        const std::vector<Setting>& settings);
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

// Parses NAME=VALUE (NAME a primary name or an index, VALUE a number 0..1);
// throws UsageError naming the problem.
Setting parseSetting(const Orvane& engine, const std::string& text, const char* option);

// The set-up every run shares: sample rate, the product defaults of the 344
// stored parameters in index order, the settings in order, tempo and position, resume.
// With randomize, the randomiser runs after the settings (randomizeEngine).
void setUpEngine(Orvane& engine, float sampleRate, const std::vector<Setting>& settings, double tempo,
                 double position, bool randomize = false);

// Seeds the process-wide generator from --seed ("time" or a number 0..4294967295).
void seedGenerator(const std::string& seed);
// Runs the randomiser as the editor's "Randomize" control does, then writes all stored
// parameters again at their values through setParameter.
void randomizeEngine(Orvane& engine);
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

// JSON string literal of a text.
std::string jsonString(const char* text);

} // namespace render
