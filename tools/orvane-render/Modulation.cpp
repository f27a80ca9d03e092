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
