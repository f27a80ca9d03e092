#include "platform/aax/host/AAXHost.h"

#include <cmath>
#include <dlfcn.h>

namespace
{

template <typename Proc> bool resolve(void* handle, const char* name, Proc& proc, std::string& error)
{
    proc = reinterpret_cast<Proc>(dlsym(handle, name));
    if (!proc) error = std::string("the module has no entry point ") + name;
    return proc != nullptr;
}

} // namespace

AAXModule::~AAXModule()
{
    if (handle) dlclose(handle);
}

bool AAXModule::load(const std::string& path)
{
    if (handle) return false;
    // A path without a slash would be searched for along the library path: take it as a file
    // in the current folder instead.
    const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        lastError = std::string("cannot load module '") + path + "': " + (why ? why : "unknown error");
        return false;
    }
    const bool all = resolve(handle, entryPointNames[0], registerPlugin, lastError) &&
                     resolve(handle, entryPointNames[1], registerComponent, lastError) &&
                     resolve(handle, entryPointNames[2], getClassFactory, lastError) &&
                     resolve(handle, entryPointNames[3], canUnloadNow, lastError) &&
                     resolve(handle, entryPointNames[4], startup, lastError) &&
                     resolve(handle, entryPointNames[5], shutdown, lastError) &&
                     resolve(handle, entryPointNames[6], getSDKVersion, lastError);
    return all;
}

AAX_Result AAXController::GetSampleRate(double* rate) const
{
    return AAX_WriteResult(rate, sampleRate);
}

AAX_Result AAXController::GetInputStemFormat(AAX_EStemFormat* format) const
{
    return AAX_WriteResult(format, inputStem);
}

AAX_Result AAXController::GetOutputStemFormat(AAX_EStemFormat* format) const
{
    return AAX_WriteResult(format, outputStem);
}

AAX_Result AAXController::GetCustomData(AAX_CTypeID blockID, uint32_t size, void* data,
                                        uint32_t* written) const
{
    if (!effect) return AAX_ERROR_NULL_OBJECT;
    return effect->GetCustomData(blockID, size, data, written);
}

void AAXController::ParameterChangedByPlugIn(AAX_CParamID, double normalized)
{
    ++plugInWrites;
    lastPlugInValue = normalized;
}

AAX_Result AAXTransport::IsTransportPlaying(bool* result) const
{
    return AAX_WriteResult(result, playing);
}

AAX_Result AAXTransport::GetCurrentTickPosition(int64_t* result) const
{
    return AAX_WriteResult(result, ticks);
}

AAX_Result AAXTransport::GetCurrentTempo(double* result) const
{
    return AAX_WriteResult(result, tempo);
}

void AAXTransport::advance(int frames, double rate)
{
    if (!playing || rate <= 0.0) return;
    exactTicks += frames * tempo / (60.0 * rate) * static_cast<double>(AAX_cTicksPerQuarter);
    ticks = std::llround(exactTicks);
}

const AAX_CMidiStream* AAXMidiNode::GetNodeBuffer() const
{
    stream.mBufferSize = static_cast<uint32_t>(packets.size());
    stream.mBuffer = packets.empty() ? nullptr : packets.data();
    return &stream;
}
