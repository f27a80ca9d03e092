// AudioEffectX: the extended plug-in base. Adds MIDI events, indexed program names, program
// copies, pin properties, capability queries, identity strings, and the host requests a plug-in
// makes during processing (transport, display update, event subscription).
//
// Operations (virtual; defaults report "not supported"):
//   processEvents(events)                    MIDI and other events for the next block; result 1 if used
//   getProgramNameIndexed(category, i, text) name of program slot i without selecting it
//   copyProgram(destination)                 copies the current program into slot destination
//   getInputProperties/getOutputProperties(i, properties)
//   canDo(text)                              1 = can, -1 = cannot, 0 = don't know
//   getEffectName/getProductString/getVendorString(text), getVendorVersion()
//   getTailSize(), setBypass(on)
// Host requests (virtual, so a front end that owns the instance may answer them directly):
//   getTimeInfo(mask)     the host's transport for this block, or null when it gives none
//   updateDisplay()       program names or parameter texts changed
//   wantEvents(filter)    asks the host to deliver MIDI events
//   ioChanged(), sizeWindow(width, height)
// getTimeInfo is called on the audio thread: hosts must answer it without blocking.
#pragma once

#include "platform/vst/AudioEffect.h"

class AudioEffectX : public AudioEffect
{
  public:
    AudioEffectX(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);

    virtual VstInt32 processEvents(VstEvents* events);
    virtual bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text);
    virtual bool copyProgram(VstInt32 destination);
    virtual bool getInputProperties(VstInt32 index, VstPinProperties* properties);
    virtual bool getOutputProperties(VstInt32 index, VstPinProperties* properties);
    virtual VstInt32 canDo(const char* text);
    virtual bool getEffectName(char* text);
    virtual bool getProductString(char* text);
    virtual bool getVendorString(char* text);
    virtual VstInt32 getVendorVersion() { return 0; }
    virtual VstInt32 getTailSize() { return 0; }
    virtual bool setBypass(bool) { return false; }

    virtual VstTimeInfo* getTimeInfo(VstInt32 filter);
    virtual bool updateDisplay();
    virtual bool wantEvents(VstInt32 filter = 1);
    virtual bool ioChanged();
    virtual bool sizeWindow(VstInt32 width, VstInt32 height);

    void canMono(bool state = true) { setFlag(effFlagsCanMono, state); }
    void isSynth(bool state = true) { setFlag(effFlagsIsSynth, state); }
    void noTail(bool state = true) { setFlag(effFlagsNoSoundInStop, state); }
    void canDoubleReplacing(bool state = true) { setFlag(effFlagsCanDoubleReplacing, state); }
};
