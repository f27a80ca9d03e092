// The renderer's randomiser, generator seed, state listing and MIDI notes.
#include "Render.h"
#include "engine/ParameterTable.h"
#include "engine/Random.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace render
{

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

void printState(const Orvane& engine)
{
    std::printf("[");
    for (int i = 0; i < kAutomatableCount; ++i)
        std::printf("%s%.9g", i == 0 ? "" : ", ", static_cast<double>(engine.getParameter(i)));
    std::printf("]\n");
}

NoteEvent parseNote(const std::string& text)
{
    const std::size_t colon = text.find(':');
    const std::string what =
        "--midi-note expects BEAT:NOTE (beats 0 or more, note 0..127), got '" + text + "'";
    if (colon == std::string::npos) throw UsageError{what};
    const std::string beatText = text.substr(0, colon);
    const std::string noteText = text.substr(colon + 1);
    char* end = nullptr;
    errno = 0;
    const double beat = std::strtod(beatText.c_str(), &end);
    if (beatText.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(beat) || beat < 0.0)
        throw UsageError{what};
    errno = 0;
    const long note = std::strtol(noteText.c_str(), &end, 10);
    if (noteText.empty() || *end != '\0' || errno == ERANGE || note < 0 || note > 127) throw UsageError{what};
    return {beat, static_cast<int>(note)};
}

} // namespace render
