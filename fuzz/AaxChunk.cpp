// Fuzz target: the AAX parameter chunk that a host hands back to an instance. A chunk that is
// accepted holds only sane entries, and writing those entries again gives a chunk that reads
// back the same.
#include "platform/aax/AAX_CParameter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<AAX_SChunkEntry> entries;
    if (!AAX_ReadParameterChunk(data, size, entries)) {
        if (!entries.empty()) std::abort();
        return 0;
    }
    AAX_CParameterManager manager;
    for (const AAX_SChunkEntry& e : entries) {
        if (e.id.empty() || e.id.size() > 255 || !(e.value >= 0.0 && e.value <= 1.0)) std::abort();
        manager.AddParameter(std::make_unique<AAX_CParameter>(
            e.id, e.id, e.value, std::make_unique<AAX_CLinearTaperDelegate>(0.0, 1.0),
            std::make_unique<AAX_CNumberDisplayDelegate>(2), true));
    }
    std::vector<uint8_t> again;
    AAX_WriteParameterChunk(manager, again);
    std::vector<AAX_SChunkEntry> reread;
    if (!AAX_ReadParameterChunk(again.data(), again.size(), reread) ||
        reread.size() != static_cast<size_t>(manager.NumParameters()))
        std::abort();
    return 0;
}
