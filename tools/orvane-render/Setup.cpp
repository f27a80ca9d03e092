#include "Render.h"
#include "engine/KsProgram.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace render
{

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
