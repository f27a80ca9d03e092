// One benchmark per filter type of the menu (33 rows, named by the menu name): the
// multimode filter switched on alone, its cutoff swept by the cutoff oscillator so that
// the coefficient paths run while the cutoff moves.
#include "BenchSupport.h"

#include "filters/FilterTypeInfo.h"

#include <string>

namespace
{

bool registerFilterTypes()
{
    for (int row = 0; row < filterMenuCount; ++row) {
        const float typeValue = static_cast<float>(typeNumberForRow(row)) / 100.0f;
        orvane_bench::registerEngine(("filter/" + std::string(filterTypes[row].name)).c_str(),
                                     {{"MmFilterOn", 1.0f},
                                      {"MmFilterType", typeValue},
                                      {"MmFilterCutoff", 0.5f},
                                      {"MmFilterRes", 0.5f},
                                      {"MmFilterMix", 1.0f},
                                      {"CutoffModOn", 1.0f},
                                      {"CutoffModSource", 0.0f},
                                      {"CutoffModDepth", 0.6f}});
    }
    return true;
}

const bool registered = registerFilterTypes();

} // namespace
