// Modulation configurations: the trance gate, the auto-pan driven by its oscillator or by the
// step sequencer, and gate and pan together. Each runs with every other section off.
#include "BenchSupport.h"

#include <string>

namespace
{

using orvane_bench::Settings;

// Patterns 1 and 2 with sounding, tied and silent steps, so that every envelope branch runs.
Settings withSteps(Settings settings)
{
    for (int p = 1; p <= 2; ++p)
        for (int s = 1; s <= 16; ++s) {
            const float volume = s % 4 == 3 ? 0.0f : (s % 2 == 0 ? 0.6f : 1.0f);
            settings.emplace_back("Seq" + std::to_string(p) + "Step" + std::to_string(s) + "Vol", volume);
            settings.emplace_back("Seq" + std::to_string(p) + "Tie" + std::to_string(s) + "Vol",
                                  s % 5 == 0 ? 1.0f : 0.0f);
        }
    settings.emplace_back("SeqLength", 0.95f); // short cycles, so chains step often
    settings.emplace_back("SeqShuffle", 0.3f);
    return settings;
}

const Settings gate = {{"TranceGateOn", 1.0f}, {"SeqPat1TGateOn", 1.0f}, {"SeqPat2TGateOn", 1.0f}};
const Settings panLfo = {{"PanOn", 1.0f},    {"PanSource", 0.0f},   {"PanShape", 0.0f},
                         {"PanDepth", 0.8f}, {"PanRateSync", 1.0f}, {"PanRate", 0.7f}};
const Settings panSequencer = {{"PanOn", 1.0f},
                               {"PanSource", 0.01f},
                               {"PanDepth", 0.8f},
                               {"SeqPat1PanOn", 1.0f},
                               {"SeqPat2PanOn", 1.0f}};

Settings both()
{
    Settings s = gate;
    s.insert(s.end(), panLfo.begin(), panLfo.end());
    return withSteps(s);
}

const bool registered = orvane_bench::registerEngine("engine/gate", withSteps(gate)) &&
                        orvane_bench::registerEngine("engine/pan lfo", panLfo) &&
                        orvane_bench::registerEngine("engine/pan sequencer", withSteps(panSequencer)) &&
                        orvane_bench::registerEngine("engine/gate + pan", both());

} // namespace
