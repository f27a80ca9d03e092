// Engine configurations: the defaults (every section off) and everything on.
#include "BenchSupport.h"

namespace
{

const bool defaults = orvane_bench::registerEngine("engine/defaults", {});

const bool everything = orvane_bench::registerEngine(
    "engine/everything on",
    {{"TranceGateOn", 1.0f},    {"SeqPat1TGateOn", 1.0f}, {"Seq1Step1Vol", 1.0f},  {"Seq1Step3Vol", 0.7f},
     {"PanOn", 1.0f},           {"PanSource", 0.0f},      {"PanDepth", 0.6f},      {"MmFilterOn", 1.0f},
     {"MmFilterType", 0.20f},   {"MmFilterCutoff", 0.5f}, {"MmFilterRes", 0.4f},   {"CutoffModOn", 1.0f},
     {"CutoffModSource", 0.0f}, {"CutoffModDepth", 0.4f}, {"DistOn", 1.0f},        {"DistXcita", 0.4f},
     {"DistSoftSat", 0.3f},     {"FlangerOn", 1.0f},      {"FlangerMix", 0.5f},    {"FlangerFeedback", 0.5f},
     {"DelayOn", 1.0f},         {"DelayMix", 0.4f},       {"DelayFeedback", 0.5f}, {"ReverbOn", 1.0f},
     {"ReverbMix", 0.3f},       {"ReverbSize", 0.7f}});

} // namespace
