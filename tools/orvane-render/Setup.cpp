#include "Render.h"
#include "engine/KsProgram.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace render
{

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

void setUpEngine(Orvane& engine, float sampleRate, const std::vector<Setting>& settings, double tempo,
                 double position, bool randomize)
{
    engine.setSampleRate(sampleRate);
    const OrvaneProgram defaults;
    for (int i = 0; i < defaults.count; ++i)
        engine.setParameter(i, defaults.values[i]);
    for (const Setting& s : settings)
        engine.setParameter(s.index, s.value);
    if (randomize) randomizeEngine(engine);
    engine.setTempo(static_cast<float>(tempo), position);
    engine.resume();
}

} // namespace render
