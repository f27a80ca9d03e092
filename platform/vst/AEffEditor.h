// Editor interfaces of a plug-in instance.
//
// AEffEditor: what a host asks of a plug-in's editor window.
//   getRect(&rect)   the editor's size; open(parentWindow) / close(); isOpen(); idle()
// AEffGUIEditor: an AEffEditor drawn with the GUI toolkit. It keeps the editor rectangle and
// the toolkit frame (created by the derived editor in open, destroyed in close) and adds what
// the plug-in shell tells the editor:
//   setParameter(index, value)   a parameter changed outside the editor (host, MIDI, engine)
//   refreshControls(runIdle)     every control should show the engine's current values
//   beginEdit(index), endEdit(index) forward a user gesture to the host.
// All editor operations run on the host's user-interface thread.
#pragma once

#include "platform/vst/AEffect.h"

class AudioEffect;
class CFrame;

class AEffEditor
{
  public:
    explicit AEffEditor(AudioEffect* owner = nullptr) : effect(owner) {}
    virtual ~AEffEditor() = default;
    AEffEditor(const AEffEditor&) = delete;
    AEffEditor& operator=(const AEffEditor&) = delete;

    virtual bool getRect(ERect** rect)
    {
        if (rect) *rect = nullptr;
        return false;
    }
    virtual bool open(void* parentWindow)
    {
        systemWindow = parentWindow;
        return false;
    }
    virtual void close() { systemWindow = nullptr; }
    virtual bool isOpen() { return systemWindow != nullptr; }
    virtual void idle() {}

    AudioEffect* getEffect() const { return effect; }

  protected:
    AudioEffect* effect = nullptr;
    void* systemWindow = nullptr;
};

class AEffGUIEditor : public AEffEditor
{
  public:
    explicit AEffGUIEditor(AudioEffect* owner) : AEffEditor(owner) {}

    bool getRect(ERect** outRect) override
    {
        if (outRect) *outRect = &rect;
        return true;
    }
    bool open(void* parentWindow) override
    {
        systemWindow = parentWindow;
        return true;
    }
    void close() override
    {
        frame = nullptr;
        systemWindow = nullptr;
    }

    virtual void setParameter(VstInt32 /*index*/, float /*value*/) {}
    virtual void refreshControls(bool /*runIdle*/) {}
    virtual void beginEdit(VstInt32 index);
    virtual void endEdit(VstInt32 index);

    CFrame* getFrame() const { return frame; }

  protected:
    ERect rect;
    CFrame* frame = nullptr;
};
