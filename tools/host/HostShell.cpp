#include "host/HostShell.h"

#include "engine/KsProgram.h"
#include "engine/ParameterTable.h"
#include "engine/Random.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace host
{

std::optional<int> parseCommandLine(CLI::App& app, int argc, char** argv)
{
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        throw UsageError{e.what()};
    }
    return std::nullopt;
}

int runReportingErrors(const char* program, int (*run)(int, char**), int argc, char** argv)
{
    try {
        return run(argc, argv);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "%s: error: %s\n", program, e.message.c_str());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: error: %s\n", program, e.what());
        return 2;
    }
}

void addShellOptions(CLI::App& app, ShellOptions& options)
{
    app.add_option("--set", options.sets, "set parameter NAME (name or index) to normalised VALUE 0..1")
        ->allow_extra_args(false);
    app.add_option("--tempo", options.tempo, "tempo in beats per minute (default 120)");
    app.add_option("--seed", options.seed,
                   "seed of the random generator: a number, or 'time' (default 1, so runs repeat)");
    app.add_option("--preset", options.presetFile, "load a preset file (fxp) into the current program");
    app.add_option("--bank", options.bankFile, "load a bank file (fxb) into the 64 programs");
    app.add_option("--program", options.program,
                   "select program N (0..63) of the --bank, or of the data folder's bank 0 without one "
                   "(refused when no bank could be read)")
        ->check(CLI::Range(0, 63));
}

void checkShellOptions(const ShellOptions& options)
{
    if (!std::isfinite(options.tempo) || options.tempo <= 0.0 || options.tempo > 1000.0)
        throw UsageError{"--tempo must be above 0 and at most 1000"};
    if (!std::isfinite(options.position) || options.position < 0.0)
        throw UsageError{"--position must be 0 or more"};
}

std::vector<Setting> parseSettings(const ShellOptions& options)
{
    Orvane names;
    std::vector<Setting> settings;
    for (const std::string& s : options.sets)
        settings.push_back(parseSetting(names, s, "--set"));
    return settings;
}

HostShell::HostShell(audioMasterCallback host) : OrvaneVST(host) {}

VstTimeInfo* HostShell::getTimeInfo(VstInt32)
{
    return &time;
}

void HostShell::startTransport(double tempo, double position, double rate)
{
    time = VstTimeInfo{};
    time.tempo = tempo;
    time.ppqPos = position;
    time.sampleRate = rate;
    time.flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid;
}

void HostShell::advanceTransport(int frames)
{
    time.samplePos += frames;
    time.ppqPos += frames * time.tempo / (60.0 * time.sampleRate);
    time.flags &= ~kVstTransportChanged;
}

std::unique_ptr<HostShell> setUpShell(const ShellOptions& options, float sampleRate,
                                      const std::vector<Setting>& settings, audioMasterCallback host)
{
    auto shell = std::make_unique<HostShell>(host);
    // The shell starts the generator from the clock; the program's seed decides instead.
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

Setting parseSetting(const Orvane& engine, const std::string& text, const char* option)
{
    const std::size_t eq = text.find('=');
    if (eq == std::string::npos || eq == 0)
        throw UsageError{std::string(option) + " expects NAME=VALUE, got '" + text + "'"};
    const std::string name = text.substr(0, eq);
    const std::string valueText = text.substr(eq + 1);

    int index = engine.parameterIndex(name.c_str());
    if (index < 0 && name.find_first_not_of("0123456789") == std::string::npos && name.size() < 6)
        index = std::atoi(name.c_str());
    if (index < 0 || index >= engine.parameterCount)
        throw UsageError{std::string(option) + ": unknown parameter '" + name + "'"};

    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(valueText.c_str(), &end);
    if (valueText.empty() || end == valueText.c_str() || *end != '\0' || errno == ERANGE ||
        !std::isfinite(value))
        throw UsageError{std::string(option) + ": value of '" + name + "' is not a number: '" + valueText +
                         "'"};
    if (value < 0.0 || value > 1.0)
        throw UsageError{std::string(option) + ": value of '" + name + "' is outside 0..1: " + valueText};
    return {index, static_cast<float>(value)};
}

void seedGenerator(const std::string& seed)
{
    if (seed == "time") {
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        ksSrand(static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::seconds>(now).count()));
        return;
    }
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(seed.c_str(), &end, 10);
    if (seed.empty() || seed[0] == '-' || *end != '\0' || errno == ERANGE || value > 0xFFFFFFFFull)
        throw UsageError{"--seed expects a number from 0 to 4294967295 or 'time', got '" + seed + "'"};
    ksSrand(static_cast<std::uint32_t>(value));
}

void randomizeEngine(Orvane& engine)
{
    // As the editor's "Randomize" control: the shell passes audio through while the randomiser
    // runs; afterwards every stored parameter is written again so that the engine's reactions
    // (sequencer copies of flipped steps among them) follow the new values.
    const bool wasOff = engine.masterOff.load();
    engine.masterOff.store(true);
    engine.randomize();
    for (int i = 0; i < engine.parameterCount; ++i)
        engine.parameter(i)->resetSmoothing();
    engine.reset();
    engine.masterOff.store(wasOff);
    for (int i = 0; i < kAutomatableCount; ++i)
        engine.setParameter(i, engine.getParameter(i));
}

std::string jsonString(const char* text)
{
    std::string out = "\"";
    for (const char* c = text; *c; ++c) {
        const unsigned char u = static_cast<unsigned char>(*c);
        if (u == '"' || u == '\\') {
            out += '\\';
            out += static_cast<char>(u);
        } else if (u < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
            out += escaped;
        } else {
            out += static_cast<char>(u);
        }
    }
    return out + "\"";
}

std::string jsonNumber(double v)
{
    if (!std::isfinite(v)) return "null";
    char text[32];
    for (int digits = 6; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, v);
        if (static_cast<float>(std::strtod(text, nullptr)) == static_cast<float>(v)) break;
    }
    return text;
}

} // namespace host
