#include "platform/vst/AudioEffectX.h"

AudioEffectX::AudioEffectX(audioMasterCallback master, VstInt32 programCount, VstInt32 paramCount)
    : AudioEffect(master, programCount, paramCount)
{
}

VstInt32 AudioEffectX::processEvents(VstEvents*)
{
    return 0;
}

bool AudioEffectX::getProgramNameIndexed(VstInt32, VstInt32, char* text)
{
    if (text) text[0] = 0;
    return false;
}

bool AudioEffectX::copyProgram(VstInt32)
{
    return false;
}

bool AudioEffectX::getInputProperties(VstInt32, VstPinProperties*)
{
    return false;
}

bool AudioEffectX::getOutputProperties(VstInt32, VstPinProperties*)
{
    return false;
}

VstInt32 AudioEffectX::canDo(const char*)
{
    return 0;
}

bool AudioEffectX::getEffectName(char* text)
{
    if (text) text[0] = 0;
    return false;
}

bool AudioEffectX::getProductString(char* text)
{
    if (text) text[0] = 0;
    return false;
}

bool AudioEffectX::getVendorString(char* text)
{
    if (text) text[0] = 0;
    return false;
}

VstTimeInfo* AudioEffectX::getTimeInfo(VstInt32 filter)
{
    return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
}

bool AudioEffectX::updateDisplay()
{
    return callHost(audioMasterUpdateDisplay) != 0;
}

bool AudioEffectX::wantEvents(VstInt32 filter)
{
    return callHost(audioMasterWantMidi, 0, filter) != 0;
}

bool AudioEffectX::ioChanged()
{
    return callHost(audioMasterIOChanged) != 0;
}

bool AudioEffectX::sizeWindow(VstInt32 width, VstInt32 height)
{
    return callHost(audioMasterSizeWindow, width, height) != 0;
}
