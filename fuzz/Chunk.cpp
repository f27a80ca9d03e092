// Fuzz target: host chunks handed to the shell. The first byte chooses a preset or a bank
// chunk; the rest is the chunk. The shell lives in a private data folder for the whole run.
#include "shell/OrvaneVST.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

OrvaneVST& shell()
{
    static std::unique_ptr<OrvaneVST> instance = [] {
        const std::string home = "/tmp/orvane-fuzz-chunk-" + std::to_string(getpid());
        setenv("XDG_DATA_HOME", home.c_str(), 1);
        setenv("ORVANE_FACTORY_DIR", "/nonexistent", 1);
        auto created = std::make_unique<OrvaneVST>(nullptr);
        created->setSampleRate(48000.0f);
        created->resume();
        return created;
    }();
    return *instance;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    std::vector<uint8_t> chunk(data + 1, data + size);
    const bool isPreset = (data[0] & 1) != 0;
    const VstInt32 consumed = shell().setChunk(chunk.empty() ? nullptr : chunk.data(),
                                               static_cast<VstInt32>(chunk.size()), isPreset);
    if (consumed < 0 || consumed > static_cast<VstInt32>(chunk.size())) std::abort();
    // The state must still be writable and processable.
    void* out = nullptr;
    if (shell().getChunk(&out, isPreset) <= 0 || !out) std::abort();
    float left[64] = {}, right[64] = {};
    float* in[2] = {left, right};
    shell().processReplacing(in, in, 64);
    return 0;
}
