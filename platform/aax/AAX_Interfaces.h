// The interfaces between an AAX module and its host, as pure virtual classes. The module
// implements the parameters, effect parameters, GUI, plug-in definition and class factory; the
// host implements the controller, transport, MIDI nodes and view containers (AAX.h).
// Objects the module creates are deleted by the host through their virtual destructors.
//
// AAX_IParameter           one published parameter: identifier, name, normalised value and
//                          default, automatable, steps, type, taper (name and real range) and
//                          the display text of a normalised value
// AAX_IEffectParameters    one instance: Initialize(controller) publishes the parameters;
//                          parameter access and normalised-value updates by identifier; the
//                          SDK chunk by chunk ID; custom data; RenderAudio (audio thread:
//                          allocates nothing, locks nothing, throws nothing)
// AAX_IEffectGUI           one editor window: Initialize(controller), CreateViewContents,
//                          SetViewContainer (a container opens the view, nullptr closes it),
//                          GetViewSize, Draw, TimerWakeup, ParameterUpdated
// AAX_SInstrumentSetupInfo the setup record of one component (stems, IDs, nodes)
// AAX_IEffectDefinition    one described effect: identifier, name, category, its components
// AAX_IPluginDefinition    what ACFRegisterPlugin hands the host: manufacturer, packages,
//                          package version and the effects
// AAX_IClassFactory        what ACFGetClassFactory hands the host for one component's plug-in
//                          ID: creates its effect parameters and GUI objects
#pragma once

#include "platform/aax/AAX.h"

#include <cstdint>

class AAX_IParameter
{
  public:
    virtual ~AAX_IParameter() = default;
    virtual const char* Identifier() const = 0;
    virtual const char* Name() const = 0;
    virtual double GetNormalizedValue() const = 0;
    virtual double GetNormalizedDefaultValue() const = 0;
    virtual bool IsAutomatable() const = 0;
    virtual int32_t GetNumberOfSteps() const = 0;
    virtual AAX_EParameterType GetType() const = 0;
    virtual const char* TaperName() const = 0; // "binary" or "linear"
    virtual double RealMinimum() const = 0;
    virtual double RealMaximum() const = 0;
    // Display text of a normalised value into text (size bytes, always terminated).
    virtual void GetValueString(double normalized, char* text, uint32_t size) const = 0;
};

class AAX_IEffectParameters
{
  public:
    virtual ~AAX_IEffectParameters() = default;
    virtual AAX_Result Initialize(AAX_IController* controller) = 0;
    virtual int32_t GetNumberOfParameters() const = 0;
    virtual const AAX_IParameter* GetParameter(int32_t index) const = 0;
    virtual const AAX_IParameter* GetParameterByID(AAX_CParamID id) const = 0;
    virtual AAX_Result UpdateParameterNormalizedValue(AAX_CParamID id, double value) = 0;
    virtual AAX_Result GetChunkSize(AAX_CTypeID chunkID, uint32_t* size) const = 0;
    // Writes the chunk into data (size bytes, at least GetChunkSize); *written gets its length.
    virtual AAX_Result GetChunk(AAX_CTypeID chunkID, void* data, uint32_t size, uint32_t* written) const = 0;
    virtual AAX_Result SetChunk(AAX_CTypeID chunkID, const void* data, uint32_t size) = 0;
    virtual AAX_Result GetCustomData(AAX_CTypeID blockID, uint32_t size, void* data,
                                     uint32_t* written) const = 0;
    virtual AAX_Result RenderAudio(const AAX_SRenderContext& context) noexcept = 0;
};

class AAX_IEffectGUI
{
  public:
    virtual ~AAX_IEffectGUI() = default;
    virtual AAX_Result Initialize(AAX_IController* controller) = 0;
    virtual AAX_Result SetViewContainer(AAX_IViewContainer* container) = 0;
    virtual AAX_Result GetViewSize(AAX_Point* size) const = 0;
    virtual AAX_Result Draw(AAX_Rect* rect) = 0;
    virtual AAX_Result TimerWakeup() = 0;
    virtual AAX_Result ParameterUpdated(AAX_CParamID id) = 0;
};

struct AAX_SInstrumentSetupInfo {
    uint32_t mInputStemFormat = AAX_eStemFormat_None;
    uint32_t mOutputStemFormat = AAX_eStemFormat_None;
    AAX_CTypeID mPluginID = 0;
    AAX_CTypeID mManufacturerID = 0;
    AAX_CTypeID mProductID = 0;
    bool mCanBypass = false;
    bool mNeedsInputMIDI = false;
    const char* mInputMIDINodeName = "";
    uint32_t mInputMIDIChannelMask = 0;
    bool mNeedsGlobalMIDI = false;
    const char* mGlobalMIDINodeName = "";
    uint32_t mGlobalMIDIEventMask = 0;
    bool mNeedsTransport = false;
    const char* mTransportNodeName = "";
    int32_t mNumMeters = 0;
    int32_t mNumAuxOutputStems = 0;
};

class AAX_IEffectDefinition
{
  public:
    virtual ~AAX_IEffectDefinition() = default;
    virtual const char* Identifier() const = 0;
    virtual const char* Name() const = 0;
    virtual uint32_t Category() const = 0;
    virtual int32_t ComponentCount() const = 0;
    virtual const AAX_SInstrumentSetupInfo* Component(int32_t index) const = 0;
};

class AAX_IPluginDefinition
{
  public:
    virtual ~AAX_IPluginDefinition() = default;
    virtual const char* ManufacturerName() const = 0;
    virtual int32_t PackageCount() const = 0;
    virtual const char* PackageName(int32_t index) const = 0;
    virtual uint32_t PackageVersion() const = 0;
    virtual int32_t EffectCount() const = 0;
    virtual const AAX_IEffectDefinition* Effect(int32_t index) const = 0;
};

class AAX_IClassFactory
{
  public:
    virtual ~AAX_IClassFactory() = default;
    virtual AAX_IEffectParameters* CreateEffectParameters() = 0;
    virtual AAX_IEffectGUI* CreateEffectGUI() = 0;
};

// The seven entry points of a module, with C linkage.
extern "C" {
using ACFRegisterPluginProc = AAX_Result (*)(void* host, const AAX_IPluginDefinition** definition);
using ACFRegisterComponentProc = AAX_Result (*)(void* host, uint32_t index,
                                                const AAX_IEffectDefinition** effect);
using ACFGetClassFactoryProc = AAX_Result (*)(void* host, AAX_CTypeID pluginID, AAX_IClassFactory** factory);
using ACFCanUnloadNowProc = AAX_Result (*)(void* host);
using ACFStartupProc = AAX_Result (*)(void* host);
using ACFShutdownProc = AAX_Result (*)(void* host);
using ACFGetSDKVersionProc = AAX_Result (*)(uint64_t* version);
}
