// Fuzz target: a preset file image. A refused image must leave the program exactly as it was.
#include "engine/KsProgram.h"
#include "shell/ProgramFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    OrvaneProgram program;
    program.setName("Before");
    program.values[7] = 0.5f;
    const std::vector<float> before(program.values.get(), program.values.get() + program.count);
    if (!ProgramFile::readPreset(data, size, program)) {
        if (std::strcmp(program.name, "Before") != 0) std::abort();
        if (!std::equal(before.begin(), before.end(), program.values.get())) std::abort();
    }
    if (std::memchr(program.name, 0, sizeof program.name) == nullptr) std::abort();
    return 0;
}
