// AudioEffect: base class of a plug-in instance. It holds the instance's AEffect record, the
// host callback, the editor, the sample rate, block size and the current program, and declares
// the operations a host (or a front end acting as one) calls.
//
// Operations (all virtual unless noted; the defaults do nothing or report "not supported"):
//   processReplacing(in, out, frames)   process one block, writing the outputs
//   process(in, out, frames)            process one block, adding to the outputs
//   setSampleRate(rate), setBlockSize(frames), suspend(), resume()
//   setParameter(index, value)          normalised value 0..1 from the host
//   getParameter(index)                 normalised value 0..1
//   setParameterAutomated(index, value) setParameter, then tells the host (audioMasterAutomate)
//   getParameterName/Display/Label(index, text)   texts into a kVstTextSize buffer
//   setProgram(index), getProgram(), setProgramName(name), getProgramName(text)
//   getChunk(&data, isPreset), setChunk(data, size, isPreset)   opaque state
//   beginEdit(index), endEdit(index), getMasterVersion()        host notifications and queries
//   setEditor(editor), getEditor(), getAeffect()                (not virtual)
//
// The instance owns the editor handed to setEditor and deletes it on destruction.
// processReplacing and process run on the audio thread; the rest on host threads.
#pragma once

#include "platform/vst/AEffect.h"

#include <atomic>

class AEffEditor;

class AudioEffect
{
  public:
    AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);
    virtual ~AudioEffect();
    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    virtual void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) noexcept;
    virtual void process(float** inputs, float** outputs, VstInt32 sampleFrames) noexcept;
    virtual void setSampleRate(float rate) { sampleRate = rate; }
    virtual void setBlockSize(VstInt32 frames) { blockSize = frames; }
    virtual void suspend() {}
    virtual void resume() {}

    virtual void setParameter(VstInt32 index, float value);
    virtual float getParameter(VstInt32 index);
    virtual void setParameterAutomated(VstInt32 index, float value);
    virtual void getParameterName(VstInt32 index, char* text);
    virtual void getParameterDisplay(VstInt32 index, char* text);
    virtual void getParameterLabel(VstInt32 index, char* text);

    virtual void setProgram(VstInt32 program) { curProgram = program; }
    virtual VstInt32 getProgram() { return curProgram; }
    virtual void setProgramName(const char* name);
    virtual void getProgramName(char* text);

    virtual VstInt32 getChunk(void** data, bool isPreset = false);
    virtual VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset = false);

    virtual bool beginEdit(VstInt32 index);
    virtual bool endEdit(VstInt32 index);
    virtual VstInt32 getMasterVersion();

    void setEditor(AEffEditor* newEditor);
    AEffEditor* getEditor() const { return editor; }
    AEffect* getAeffect() { return &cEffect; }
    float getSampleRate() const { return sampleRate; }
    VstInt32 getBlockSize() const { return blockSize; }

    // Setters of the AEffect values.
    void setUniqueID(VstInt32 id) { cEffect.uniqueID = id; }
    void setNumInputs(VstInt32 inputs) { cEffect.numInputs = inputs; }
    void setNumOutputs(VstInt32 outputs) { cEffect.numOutputs = outputs; }
    void canProcessReplacing(bool state = true) { setFlag(effFlagsCanReplacing, state); }
    void programsAreChunks(bool state = true) { setFlag(effFlagsProgramChunks, state); }
    void hasVu(bool state = true) { setFlag(effFlagsHasVu, state); }
    void hasClip(bool state = true) { setFlag(effFlagsHasClip, state); }
    void setInitialDelay(VstInt32 delay) { cEffect.initialDelay = delay; }

  protected:
    // Sends one request to the host; 0 when there is no host callback.
    VstIntPtr callHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f) const;
    void setFlag(VstInt32 flag, bool state)
    {
        cEffect.flags = state ? (cEffect.flags | flag) : (cEffect.flags & ~flag);
    }

    audioMasterCallback audioMaster = nullptr;
    AEffEditor* editor = nullptr;
    float sampleRate = 44100.0f;
    VstInt32 blockSize = 1024;
    VstInt32 numPrograms = 0;
    VstInt32 numParams = 0;
    // Read on the audio thread (which program takes the engine's own parameter changes) while a
    // host thread changes it.
    std::atomic<VstInt32> curProgram{0};
    AEffect cEffect;
};
