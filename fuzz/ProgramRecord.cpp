// Fuzz target: one program record read from memory, under the product's id and a foreign one.
// A failed read must leave every value 0; a successful one must stay within the data.
#include "engine/KsProgram.h"
#include "engine/ParamStream.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > static_cast<size_t>(ParamStream::kBufferSize)) return 0;
    for (std::uint32_t id : {OrvaneProgram::kId, fourCharCode("KsQ3")}) {
        OrvaneProgram program;
        ParamStream stream;
        stream.openMemoryRead(data, static_cast<int>(size));
        const bool ok = program.read(stream, id);
        if (stream.getPosition() < 0 || stream.getPosition() > static_cast<int>(size)) std::abort();
        if (std::memchr(program.name, 0, sizeof program.name) == nullptr) std::abort();
        if (!ok)
            for (int i = 0; i < program.count; ++i)
                if (program.values[i] != 0.0f) std::abort();
        stream.close();
    }
    return 0;
}
