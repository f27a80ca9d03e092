// The host side of the AAX stand-in: what a host needs to load a module and drive its
// instances through the interfaces of platform/aax/AAX_Interfaces.h only.
//
// AAXModule
//   load(path)                  dlopen and resolve the seven entry points by name; false with
//                               error() set when the file does not load or an entry point is
//                               missing
//   entryPointNames             the seven names, in the order they are resolved
//   registerPlugin/...          the entry points themselves (valid after load)
//   ~AAXModule                  closes the module (the caller has shut it down and deleted
//                               every object it created first)
// AAXController                 the controller of one instance: sample rate, stem formats,
//                               custom data routed to the instance's effect parameters, and a
//                               count and last value of the parameter writes the plug-in made
// AAXTransport                  playing flag, tick position and tempo; advance(frames, rate)
//                               moves the position when playing
// AAXMidiNode                   the packets of the current buffer
// AAXViewContainer              a container of a type with a native handle and window system
#pragma once

#include "platform/aax/AAX_Interfaces.h"

#include <string>
#include <vector>

class AAXModule
{
  public:
    static constexpr const char* entryPointNames[7] = {
        "ACFRegisterPlugin", "ACFRegisterComponent", "ACFGetClassFactory", "ACFCanUnloadNow",
        "ACFStartup",        "ACFShutdown",          "ACFGetSDKVersion"};

    AAXModule() = default;
    ~AAXModule();
    AAXModule(const AAXModule&) = delete;
    AAXModule& operator=(const AAXModule&) = delete;

    bool load(const std::string& path);
    const std::string& error() const { return lastError; }

    ACFRegisterPluginProc registerPlugin = nullptr;
    ACFRegisterComponentProc registerComponent = nullptr;
    ACFGetClassFactoryProc getClassFactory = nullptr;
    ACFCanUnloadNowProc canUnloadNow = nullptr;
    ACFStartupProc startup = nullptr;
    ACFShutdownProc shutdown = nullptr;
    ACFGetSDKVersionProc getSDKVersion = nullptr;

  private:
    void* handle = nullptr;
    std::string lastError;
};

class AAXController : public AAX_IController
{
  public:
    AAXController(double rate, AAX_EStemFormat input, AAX_EStemFormat output)
        : sampleRate(rate), inputStem(input), outputStem(output)
    {
    }
    void setEffect(const AAX_IEffectParameters* e) { effect = e; }

    AAX_Result GetSampleRate(double* rate) const override;
    AAX_Result GetInputStemFormat(AAX_EStemFormat* format) const override;
    AAX_Result GetOutputStemFormat(AAX_EStemFormat* format) const override;
    AAX_Result GetCustomData(AAX_CTypeID blockID, uint32_t size, void* data,
                             uint32_t* written) const override;
    void ParameterChangedByPlugIn(AAX_CParamID id, double normalized) override;

    int plugInWrites = 0;
    double lastPlugInValue = 0.0;

  private:
    double sampleRate;
    AAX_EStemFormat inputStem, outputStem;
    const AAX_IEffectParameters* effect = nullptr;
};

class AAXTransport : public AAX_ITransport
{
  public:
    AAX_Result IsTransportPlaying(bool* result) const override;
    AAX_Result GetCurrentTickPosition(int64_t* result) const override;
    AAX_Result GetCurrentTempo(double* result) const override;
    void advance(int frames, double rate);

    bool playing = true;
    int64_t ticks = 0;
    double tempo = 120.0;
    // The exact position in ticks, so that rounding does not add up over the buffers.
    double exactTicks = 0.0;
};

class AAXMidiNode : public AAX_IMIDINode
{
  public:
    const AAX_CMidiStream* GetNodeBuffer() const override;
    std::vector<AAX_CMidiPacket> packets;

  private:
    mutable AAX_CMidiStream stream;
};

class AAXViewContainer : public AAX_IViewContainer
{
  public:
    AAXViewContainer(int32_t t, void* handle, int32_t system) : type(t), ptr(handle), windowSystem(system) {}
    int32_t GetType() const override { return type; }
    void* GetPtr() const override { return ptr; }
    int32_t GetWindowSystem() const override { return windowSystem; }

  private:
    int32_t type;
    void* ptr;
    int32_t windowSystem;
};
