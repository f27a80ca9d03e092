// What the command-line programs share when they host the plug-in shell as a host would: the
// options that set the shell up (--bank, --program, --preset, --set, --seed, --tempo) with
// their checks and their set-up order, the shell with the program's transport, and small
// JSON helpers.
#pragma once

#include "engine/Orvane.h"
#include "shell/OrvaneVST.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace CLI
{
class App;
}

namespace host
{

// A refused command line or input: the program prints one line naming it and exits with 2.
struct UsageError {
    std::string message;
};

// One --set setting: a parameter index and a normalised value.
struct Setting {
    int index;
    float value;
};

// The options that decide how the shell is set up.
struct ShellOptions {
    std::vector<std::string> sets; // --set NAME=VALUE, in order
    double tempo = 120.0;
    double position = 0.0;
    std::string seed = "1"; // --seed: a number, or "time"
    bool randomize = false; // the randomiser after the settings
    std::string presetFile; // --preset FILE.fxp into the current program
    std::string bankFile;   // --bank FILE.fxb into the 64 programs
    int program = -1;       // --program N (0..63), -1 when not given
    std::string savePreset; // saves after the set-up
    std::string saveBank;
};

// Parses the command line: the exit status when it asked for help (printed), nothing when the
// program goes on; throws UsageError for a refused command line.
std::optional<int> parseCommandLine(CLI::App& app, int argc, char** argv);
// Runs run(argc, argv) and turns a UsageError or any other exception into one line
// "<program>: error: <message>" on stderr and exit status 2.
int runReportingErrors(const char* program, int (*run)(int, char**), int argc, char** argv);

// Adds --set, --tempo, --seed, --preset, --bank and --program to a command line.
void addShellOptions(CLI::App& app, ShellOptions& options);
// Checks --tempo and the start position; throws UsageError.
void checkShellOptions(const ShellOptions& options);
// The --set settings, checked against the parameter table; throws UsageError.
std::vector<Setting> parseSettings(const ShellOptions& options);

// The plug-in shell hosted by a program: its time information is the program's transport
// (tempo, position advancing with the frames, playing).
class HostShell : public OrvaneVST
{
  public:
    // host: the callback that hears what the plug-in tells the host (nullptr: nobody).
    explicit HostShell(audioMasterCallback host = nullptr);
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
std::unique_ptr<HostShell> setUpShell(const ShellOptions& options, float sampleRate,
                                      const std::vector<Setting>& settings,
                                      audioMasterCallback host = nullptr);

// Parses NAME=VALUE (NAME a primary name or an index, VALUE a number 0..1);
// throws UsageError naming the problem.
Setting parseSetting(const Orvane& engine, const std::string& text, const char* option);
// Seeds the process-wide generator from --seed ("time" or a number 0..4294967295).
void seedGenerator(const std::string& seed);
// Runs the randomiser as the editor's "Randomize" control does, then writes all stored
// parameters again at their values through setParameter.
void randomizeEngine(Orvane& engine);

// JSON string literal of a text.
std::string jsonString(const char* text);
// The shortest JSON number that reads back as the same 32-bit value ("null" when not finite).
std::string jsonNumber(double value);

} // namespace host
