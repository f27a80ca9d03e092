#include "platform/vst/AudioEffect.h"

#include "platform/vst/AEffEditor.h"

AudioEffect::AudioEffect(audioMasterCallback master, VstInt32 programCount, VstInt32 paramCount)
    : audioMaster(master), numPrograms(programCount), numParams(paramCount)
{
    cEffect.numPrograms = programCount;
    cEffect.numParams = paramCount;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.object = this;
}

AudioEffect::~AudioEffect()
{
    delete editor;
}

void AudioEffect::processReplacing(float**, float**, VstInt32) noexcept {}

void AudioEffect::process(float**, float**, VstInt32) noexcept {}

void AudioEffect::setParameter(VstInt32, float) {}

float AudioEffect::getParameter(VstInt32)
{
    return 0.0f;
}

void AudioEffect::setParameterAutomated(VstInt32 index, float value)
{
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void AudioEffect::getParameterName(VstInt32, char* text)
{
    if (text) text[0] = 0;
}

void AudioEffect::getParameterDisplay(VstInt32, char* text)
{
    if (text) text[0] = 0;
}

void AudioEffect::getParameterLabel(VstInt32, char* text)
{
    if (text) text[0] = 0;
}

void AudioEffect::setProgramName(const char*) {}

void AudioEffect::getProgramName(char* text)
{
    if (text) text[0] = 0;
}

VstInt32 AudioEffect::getChunk(void** data, bool)
{
    if (data) *data = nullptr;
    return 0;
}

VstInt32 AudioEffect::setChunk(void*, VstInt32, bool)
{
    return 0;
}

bool AudioEffect::beginEdit(VstInt32 index)
{
    return callHost(audioMasterBeginEdit, index) != 0;
}

bool AudioEffect::endEdit(VstInt32 index)
{
    return callHost(audioMasterEndEdit, index) != 0;
}

VstInt32 AudioEffect::getMasterVersion()
{
    const VstIntPtr version = callHost(audioMasterVersion);
    return version ? static_cast<VstInt32>(version) : 1;
}

void AudioEffect::setEditor(AEffEditor* newEditor)
{
    if (newEditor == editor) return;
    delete editor;
    editor = newEditor;
    setFlag(effFlagsHasEditor, editor != nullptr);
}

VstIntPtr AudioEffect::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) const
{
    if (!audioMaster) return 0;
    return audioMaster(const_cast<AEffect*>(&cEffect), opcode, index, value, ptr, opt);
}
