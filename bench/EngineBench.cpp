// Engine configurations: the defaults (every section off) and everything on.
#include "BenchSupport.h"

namespace
{

const bool defaults = orvane_bench::registerEngine("engine/defaults", {});

const bool everything = orvane_bench::registerEngine("engine/everything on", orvane_bench::everythingOn());

} // namespace
