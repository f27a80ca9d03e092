// OrvaneLv2Shell: the shell as the LV2 plug-in hosts it.
//
// The host's transport comes from time:Position, so the shell's request for time information is
// answered from the fields below (filled by the plug-in before each block). An LV2 plug-in has no
// way to tell its host about automated writes and gestures itself: its user interface does that
// (write_function, touch). The user interface lives in another module of the bundle and reaches
// this object through the host's instance-access feature; it attaches a listener and the editor.
//
//   attachUi(listener, editor)   user-interface thread: the editor becomes the shell's editor and
//                                the listener hears the shell's notifications; false when a user
//                                interface is attached already
//   detachUi()                   user-interface thread: the editor is no longer the shell's (it is
//                                handed back, for the caller to close and delete)
//   takeDeferred(f)              user-interface thread: f(index) for every stored parameter
//                                automated off the listener's thread (or not taken by the listener)
//                                since the last call
//
// Notifications (setParameterAutomated, beginEdit, endEdit):
//   on the thread that attached the listener: handed to it at once; an automated write it does
//     not take (the listener returns false) is deferred as below
//   on any other thread (a MIDI program change on the audio thread, a state restore on a host
//     thread): a stored parameter's automated write sets its atomic flag, nothing else; this
//     path allocates nothing and locks nothing
// When the shell is destroyed with a user interface attached, the listener's shellGone runs
// first, so that it closes and deletes the editor while the shell still exists.
#pragma once

#include "lv2/OrvaneLv2Ports.h"
#include "shell/OrvaneVST.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <thread>

class OrvaneLv2Shell : public OrvaneVST
{
  public:
    class UiListener
    {
      public:
        // true: taken; false: the shell keeps the write for takeDeferred.
        virtual bool automated(int index, float normalised) = 0;
        virtual void gesture(int index, bool begins) = 0;
        virtual void shellGone() = 0;

      protected:
        ~UiListener() = default;
    };

    OrvaneLv2Shell();
    ~OrvaneLv2Shell() override;

    VstTimeInfo* getTimeInfo(VstInt32) override { return timeValid ? &time : nullptr; }
    void setParameterAutomated(VstInt32 index, float value) override;
    bool beginEdit(VstInt32 index) override;
    bool endEdit(VstInt32 index) override;

    bool attachUi(UiListener* listener, AEffGUIEditor* uiEditor);
    AEffGUIEditor* detachUi();
    bool hasUi() const { return uiListener != nullptr; }

    template <class F> void takeDeferred(F&& f)
    {
        if (!anyDeferred.load(std::memory_order_relaxed) ||
            !anyDeferred.exchange(false, std::memory_order_acq_rel))
            return;
        for (int i = 0; i < static_cast<int>(deferred.size()); ++i)
            if (deferred[i].load(std::memory_order_relaxed) &&
                deferred[i].exchange(0, std::memory_order_relaxed))
                f(i);
    }

    VstTimeInfo time;
    bool timeValid = false;

  private:
    // The listener, when this is its thread (only that thread reads the pointer).
    UiListener* listenerHere() const noexcept;
    void defer(VstInt32 index) noexcept;

    UiListener* uiListener = nullptr;
    std::atomic<std::thread::id> uiThread{};
    std::array<std::atomic<std::uint8_t>, OrvaneLv2Ports::controlCount> deferred{};
    std::atomic<bool> anyDeferred{false};
};
