// Fuzz target: a bank file image, read into 64 programs and scanned for program names.
// A refused image must leave all 64 programs exactly as they were.
#include "engine/KsProgram.h"
#include "shell/ProgramFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::unique_ptr<OrvaneProgram>> programs;
    std::vector<KsProgram*> slots;
    for (int i = 0; i < ProgramFile::kBankSlots; ++i) {
        programs.push_back(std::make_unique<OrvaneProgram>());
        programs.back()->setName(("Slot " + std::to_string(i)).c_str());
        slots.push_back(programs.back().get());
    }
    if (!ProgramFile::readBank(data, size, slots.data(), ProgramFile::kBankSlots)) {
        OrvaneProgram defaults;
        for (int i = 0; i < ProgramFile::kBankSlots; ++i) {
            if (std::string(programs[i]->name) != "Slot " + std::to_string(i)) std::abort();
            if (std::memcmp(programs[i]->values.get(), defaults.values.get(), sizeof(float) * 344) != 0)
                std::abort();
        }
    }
    OrvaneProgram scratch;
    std::vector<std::string> names;
    ProgramFile::readBankNames(data, size, scratch, names);
    if (names.size() > static_cast<size_t>(ProgramFile::kBankSlots)) std::abort();
    return 0;
}
