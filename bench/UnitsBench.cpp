// Effect-unit configurations: each runs the engine with only that section switched on,
// at sensible amounts, so the figure is the section plus the engine's fixed cost.
#include "BenchSupport.h"

namespace
{

const bool exciterSaturator = orvane_bench::registerEngine(
    "exciter + saturator", {{"DistOn", 1.0f}, {"DistXcita", 0.5f}, {"DistSoftSat", 0.5f}});

const bool flanger = orvane_bench::registerEngine("flanger", {{"FlangerOn", 1.0f},
                                                              {"FlangerMix", 0.5f},
                                                              {"FlangerFeedback", 0.5f},
                                                              {"FlangerRate", 0.3f},
                                                              {"FlangerDelay", 0.3f},
                                                              {"FlangerDepth", 0.6f}});

const bool delay = orvane_bench::registerEngine(
    "delay", {{"DelayOn", 1.0f}, {"DelayMix", 0.4f}, {"DelayFeedback", 0.5f}, {"DelayCutoff", 0.8f}});

const bool reverb =
    orvane_bench::registerEngine("reverb", {{"ReverbOn", 1.0f}, {"ReverbMix", 0.3f}, {"ReverbSize", 0.7f}});

} // namespace
