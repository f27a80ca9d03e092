#include "aax/Ks_AAX_Parameters.h"

#include <algorithm>
#include <cstring>

namespace
{
constexpr auto relaxed = std::memory_order_relaxed;
}

// ---- the shell inside the adapter ------------------------------------------------------------

KsAaxPlugin::KsAaxPlugin(Ks_AAX_Parameters& owner) : OrvaneVST(nullptr), aax(owner) {}

void KsAaxPlugin::setParameterAutomated(VstInt32 index, float value)
{
    // The shell applies programs through here while it is built, before the AAX parameters exist.
    if (const char* id = aax.identifierOf(index); id && aax.GetParameterByID(id))
        aax.SetParameterNormalizedValue(id, value);
    setParameter(index, value);
}

VstTimeInfo* KsAaxPlugin::getTimeInfo(VstInt32)
{
    VstTimeInfo& time = std::this_thread::get_id() == aax.renderThread.load(relaxed) ? renderTime : hostTime;
    time.ppqPos = aax.transportPosition.load(relaxed);
    time.tempo = aax.transportTempo.load(relaxed);
    time.flags = aax.transportPlaying.load(relaxed) ? kVstTransportPlaying : 0;
    return &time;
}

// ---- the instance ----------------------------------------------------------------------------

AAX_IEffectParameters* Ks_AAX_Parameters::Create()
{
    return new Ks_AAX_Parameters();
}

Ks_AAX_Parameters::Ks_AAX_Parameters() : vst(std::make_unique<KsAaxPlugin>(*this))
{
    for (int i = 0; i < kMaxMidiEvents; ++i)
        eventPointers[i] = reinterpret_cast<VstEvent*>(&midiEvents[i]);
}

Ks_AAX_Parameters::~Ks_AAX_Parameters()
{
    vst.reset();
}

const char* Ks_AAX_Parameters::identifierOf(int index) const
{
    if (index < 0 || index >= static_cast<int>(identifiers.size())) return nullptr;
    return identifiers[static_cast<size_t>(index)].c_str();
}

AAX_Result Ks_AAX_Parameters::EffectInit()
{
    // The parameters are published once; a second initialisation keeps them (and their values).
    if (masterBypass) return AAX_SUCCESS;
    transportTempo.store(120.0, relaxed);
    // The engine runs at the host's rate (the shell starts at 44100 Hz).
    double rate = 0.0;
    if (mController && mController->GetSampleRate(&rate) == AAX_SUCCESS && rate > 0.0)
        vst->setSampleRate(static_cast<float>(rate));

    auto bypass = std::make_unique<AAX_CParameter>(
        AAX_cMasterBypassID, "Master Bypass", 0.0, std::make_unique<AAX_CBinaryTaperDelegate>(),
        std::make_unique<AAX_CBinaryDisplayDelegate>("bypass", "on"), true);
    bypass->SetNumberOfSteps(2);
    bypass->SetType(AAX_eParameterType_Discrete);
    masterBypass = mParameterManager.AddParameter(std::move(bypass));

    identifiers = parameterIdentifiers(*vst);
    for (int i = 0; i < static_cast<int>(identifiers.size()); ++i) {
        char name[kVstTextSize] = {};
        vst->getParameterName(i, name);
        auto parameter = std::make_unique<AAX_CParameter>(
            identifiers[static_cast<size_t>(i)], name, vst->getParameter(i),
            std::make_unique<AAX_CLinearTaperDelegate>(0.0, 1.0),
            std::make_unique<AAX_CNumberDisplayDelegate>(2), i < kAutomatableCount);
        parameter->SetNumberOfSteps(kSteps);
        mParameterManager.AddParameter(std::move(parameter));
    }
    vst->resume();
    return AAX_SUCCESS;
}

AAX_Result Ks_AAX_Parameters::UpdateParameterNormalizedValue(AAX_CParamID id, double value)
{
    const AAX_Result result = AAX_CEffectParameters::UpdateParameterNormalizedValue(id, value);
    if (result != AAX_SUCCESS) return result;
    const int index = indexOf(id);
    // The value as the SDK parameter keeps it: limited to 0..1, never NaN.
    if (index >= 0) vst->setParameter(index, static_cast<float>(GetParameterByID(id)->GetNormalizedValue()));
    return AAX_SUCCESS;
}

AAX_Result Ks_AAX_Parameters::GetCustomData(AAX_CTypeID blockID, uint32_t size, void* data,
                                            uint32_t* written) const
{
    if (written) *written = 0;
    if (blockID == kEditorBlockID && data && size >= sizeof(AEffEditor*)) {
        AEffEditor* editor = vst->getEditor();
        std::memcpy(data, &editor, sizeof editor);
        if (written) *written = sizeof editor;
    }
    return AAX_SUCCESS;
}

AAX_Result Ks_AAX_Parameters::RenderAudio(const AAX_SRenderContext& context) noexcept
{
    if (!context.mInputs || !context.mOutputs || !context.mBufferSize || !mController)
        return AAX_ERROR_NULL_OBJECT;
    renderThread.store(std::this_thread::get_id(), relaxed);

    bool bypassed = false;
    if (masterBypass) masterBypass->GetValueAsBool(&bypassed);

    const AAX_CMidiStream* midi = context.mInputMIDI ? context.mInputMIDI->GetNodeBuffer() : nullptr;
    if (context.mGlobalMIDI) context.mGlobalMIDI->GetNodeBuffer();

    bool playing = false;
    if (context.mTransport) context.mTransport->IsTransportPlaying(&playing);
    transportPlaying.store(playing, relaxed);

    const int32_t frames = *context.mBufferSize;
    AAX_EStemFormat inputStem = AAX_eStemFormat_None, outputStem = AAX_eStemFormat_None;
    mController->GetInputStemFormat(&inputStem);
    mController->GetOutputStemFormat(&outputStem);
    const int inputChannels = AAX_StemChannelCount(inputStem);
    const int outputChannels = AAX_StemChannelCount(outputStem);
    if (frames <= 0 || inputChannels < 1 || outputChannels < 1) return AAX_SUCCESS;

    // Every packet of the buffer, in order, each at its own frame (a timestamp past the buffer
    // is taken as its last frame).
    if (midi && midi->mBuffer && midi->mBufferSize > 0) {
        const int count = static_cast<int>(std::min<uint32_t>(midi->mBufferSize, kMaxMidiEvents));
        for (int i = 0; i < count; ++i) {
            const AAX_CMidiPacket& packet = midi->mBuffer[i];
            VstMidiEvent& event = midiEvents[i];
            event = VstMidiEvent{};
            event.deltaFrames = static_cast<VstInt32>(std::min<uint32_t>(packet.mTimestamp, frames - 1));
            std::memcpy(event.midiData, packet.mData, sizeof event.midiData);
            event.noteOffVelocity = 64;
        }
        VstEvents events;
        events.numEvents = count;
        events.events = eventPointers;
        vst->processEvents(&events);
    }

    if (playing && context.mTransport) {
        int64_t ticks = 0;
        double tempo = 0.0;
        if (context.mTransport->GetCurrentTickPosition(&ticks) == AAX_SUCCESS)
            transportPosition.store(static_cast<double>(ticks) / static_cast<double>(AAX_cTicksPerQuarter),
                                    relaxed);
        if (context.mTransport->GetCurrentTempo(&tempo) == AAX_SUCCESS) transportTempo.store(tempo, relaxed);
    }

    float* in0 = context.mInputs[0];
    float* in1 = inputChannels > 1 ? context.mInputs[1] : in0;
    float* out0 = context.mOutputs[0];
    float* out1 = outputChannels > 1 ? context.mOutputs[1] : out0;
    if (bypassed) {
        std::copy_n(in0, frames, out0);
        if (out1 != out0) std::copy_n(in1, frames, out1);
    } else {
        float* inputs[2] = {in0, in1};
        float* outputs[2] = {out0, out1};
        vst->processReplacing(inputs, outputs, frames);
    }
    return AAX_SUCCESS;
}
