// Ks_AAX_Parameters: one AAX instance. It holds the plug-in shell (an OrvaneVST) and presents it
// to the host: the Master Bypass parameter plus one AAX parameter per plug-in parameter, updates
// by identifier, the SDK's parameter chunk, the editor as custom data, and the render call.
//
//   Create()                          the instance-creation procedure of the description
//   EffectInit()                      the host's sample rate to the shell; Master Bypass; one
//                                     parameter per plug-in parameter (identifier from
//                                     AaxIdentifiers.h, default = current value, linear 0..1,
//                                     two decimal places, 55 steps, automatable below index
//                                     344); resumes the shell
//   UpdateParameterNormalizedValue    the SDK parameter, then the plug-in parameter with that
//                                     identifier (none for Master Bypass)
//   GetCustomData(kEditorBlockID)     the shell's editor pointer (8 bytes); other blocks: nothing
//   RenderAudio(context)              bypass, every MIDI packet of the buffer in order, transport,
//                                     mono stems on both sides, then the shell's processReplacing
//                                     (or the input copied when bypassed). Audio thread: allocates,
//                                     locks and throws nothing
//   plugin(), identifierOf(index), indexOf(id)   for the GUI and tests
//
// The shell's automated write tells the host through the SDK (SetParameterNormalizedValue) and
// then sets the parameter; its time information is the transport last read by RenderAudio
// (position in quarter notes, tempo, the playing flag), tempo 120 and position 0 until then.
#pragma once

#include "aax/AaxIdentifiers.h"
#include "engine/KsPlugin.h"
#include "platform/aax/AAX_CEffectParameters.h"
#include "shell/OrvaneVST.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class Ks_AAX_Parameters;

// The shell inside the adapter, with the adapter's automated write and time information.
class KsAaxPlugin : public OrvaneVST
{
  public:
    explicit KsAaxPlugin(Ks_AAX_Parameters& owner);
    void setParameterAutomated(VstInt32 index, float value) override;
    VstTimeInfo* getTimeInfo(VstInt32 filter) override;

  private:
    Ks_AAX_Parameters& aax;
    // One record for the render thread and one for the host threads (a parameter change that
    // re-aligns the modulators asks for the time there), so that they never share one.
    VstTimeInfo renderTime, hostTime;
};

class Ks_AAX_Parameters : public AAX_CInstrumentParameters
{
  public:
    static constexpr AAX_CTypeID kEditorBlockID = AAX_FourCC("KsEd");
    static constexpr int kAutomatableCount = 344;
    static constexpr int kSteps = 55;
    static constexpr int kMaxMidiEvents = KsPlugin::kMaxEvents;

    static AAX_IEffectParameters* Create();
    Ks_AAX_Parameters();
    ~Ks_AAX_Parameters() override;

    AAX_Result EffectInit() override;
    AAX_Result UpdateParameterNormalizedValue(AAX_CParamID id, double value) override;
    AAX_Result GetCustomData(AAX_CTypeID blockID, uint32_t size, void* data,
                             uint32_t* written) const override;
    AAX_Result RenderAudio(const AAX_SRenderContext& context) noexcept override;

    KsPluginVST& plugin() const { return *vst; }
    const char* identifierOf(int index) const;
    int indexOf(AAX_CParamID id) const { return findIdentifier(identifiers, id); }

  private:
    friend class KsAaxPlugin;

    AAX_CParameter* masterBypass = nullptr;
    std::vector<std::string> identifiers;
    // The transport as the last render read it.
    std::atomic<bool> transportPlaying{false};
    std::atomic<double> transportPosition{0.0};
    std::atomic<double> transportTempo{120.0};
    std::atomic<std::thread::id> renderThread{};
    // The render call's MIDI events, built without allocating.
    VstMidiEvent midiEvents[kMaxMidiEvents];
    VstEvent* eventPointers[kMaxMidiEvents] = {};
    // Last: the shell goes before the rest of the instance.
    std::unique_ptr<KsAaxPlugin> vst;
};
