#include "engine/MorphTargets.h"

#include <cstring>

const char* const morphTargets[morphTargetCount] = {
    "MmFilterMix", "MmFilterCutoff", "MmFilterRes", "CutoffModDepth",  "CutoffModRate", "DistXcita",
    "DistSoftSat", "FlangerMix",     "FlangerRate", "FlangerFeedback", "DelayMix",      "DelayFeedback",
    "DelayCutoff", "ReverbMix",      "MasterMix",   "MasterVolume",    "SeqAttack",     "SeqSustain",
    "SeqDecay",    "SeqShuffle",     "SeqLength",   "PanDepth",        "PanRate",
};

int morphSelectorOf(const char* name) noexcept
{
    if (name == nullptr) return -1;
    for (int i = 0; i < morphTargetCount; ++i)
        if (std::strcmp(morphTargets[i], name) == 0) return i;
    return -1;
}
