// Fuzz target: a step pattern ("osq") image. A refused image must leave the pattern exactly as it
// was; an accepted one brings 1 to 16 steps of finite values.
#include "editor/OsqFile.h"
#include "engine/ParamStream.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size >= static_cast<size_t>(ParamStream::kBufferSize)) return 0; // refused before parsing
    OsqPattern pattern;
    pattern.count = 5;
    for (int s = 0; s < OsqPattern::kSteps; ++s)
        pattern.volumes[s] = pattern.ties[s] = 0.25f * float(s % 4);
    OsqPattern before = pattern;
    ParamStream stream;
    stream.openMemoryRead(data, static_cast<int>(size));
    if (!OsqFile::read(stream, pattern)) {
        if (std::memcmp(&before, &pattern, sizeof pattern) != 0) std::abort();
        return 0;
    }
    if (pattern.count < 1 || pattern.count > OsqPattern::kSteps) std::abort();
    for (int s = 0; s < pattern.count; ++s)
        if (!std::isfinite(pattern.volumes[s]) || !std::isfinite(pattern.ties[s])) std::abort();
    if (stream.getPosition() > stream.getSize()) std::abort();
    return 0;
}
