// OrvaneLv2: one LV2 plug-in instance. It holds one OrvaneVST and drives it only through the
// shell's operations, the way a VST host would: control ports become setParameter calls,
// the atom input becomes processEvents (MIDI) and the shell's time information
// (time:Position), and the audio goes through processReplacing.
//
// Operations, by LV2 threading class:
//   OrvaneLv2(rate, features)       instantiation: builds the shell; allocates
//   connectPort(port, data)         audio class
//   activate(), deactivate()        instantiation: activate clears the shell's history and
//                                   resumes it (at the start of the next block, after the port
//                                   values); deactivate suspends it
//   run(frames)                     audio class: allocates nothing, locks nothing, does no I/O
//   save(...), restore(...)         state: the 64 programs, the current program, the last
//                                   applied port values
//   work(...), workResponse(...)    worker: bank files requested by MIDI bank select
//
// A MIDI program change after a bank select that names a bank other than the loaded one
// needs the bank file: the shell defers that file work, and run() hands it to the host's
// worker thread; program changes that arrive meanwhile wait for it, so that they take effect
// in order. Without the worker feature such a bank change cannot happen.
//
// The user interface (OrvaneLv2Ui, its own module) opens the shell's editor; see OrvaneLv2Shell.h
// for how the editor's automated writes reach it.
#pragma once

#include "lv2/OrvaneLv2Ports.h"

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

class OrvaneLv2Shell;
struct VstMidiEvent;
struct VstEvent;

class OrvaneLv2
{
  public:
    static constexpr int maxEvents = 1024; // MIDI events delivered per block

    OrvaneLv2(double rate, const LV2_Feature* const* features);
    ~OrvaneLv2();
    OrvaneLv2(const OrvaneLv2&) = delete;
    OrvaneLv2& operator=(const OrvaneLv2&) = delete;

    void connectPort(uint32_t port, void* data) noexcept;
    void activate();
    void deactivate();
    void run(uint32_t frames) noexcept;

    LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle);
    LV2_State_Status restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);
    LV2_Worker_Status work(LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle,
                           uint32_t size, const void* data);
    LV2_Worker_Status workResponse(uint32_t size, const void* data);

    // The shell, for the plug-in's user interface (which reaches this object through the host's
    // instance-access feature).
    OrvaneLv2Shell& shell() const { return *effect; }

  private:
    // A program change held back while the worker loads a bank (status 0: none).
    struct HeldProgramChange {
        int32_t delta = 0;
        uint8_t status = 0;
        uint8_t program = 0;
    };

    struct Uris {
        LV2_URID atomBlank = 0, atomObject = 0, atomFloat = 0, atomDouble = 0, atomInt = 0, atomLong = 0;
        LV2_URID atomChunk = 0, atomVector = 0, atomSequence = 0, midiEvent = 0;
        LV2_URID timePosition = 0, timeBar = 0, timeBarBeat = 0, timeBeat = 0, timeBeatUnit = 0;
        LV2_URID timeBeatsPerBar = 0, timeBeatsPerMinute = 0, timeSpeed = 0;
        LV2_URID stateBank = 0, stateProgram = 0, statePorts = 0;
    };

    void applyControlPorts() noexcept;
    int collectEvents(uint32_t frames) noexcept;
    void addEvent(int& count, int32_t delta, uint8_t status, uint8_t data1, uint8_t data2) noexcept;
    void readPosition(const LV2_Atom_Object* object) noexcept;
    void advanceTransport(uint32_t frames) noexcept;

    std::unique_ptr<OrvaneLv2Shell> effect;
    double sampleRate = 48000.0;
    LV2_URID_Map* map = nullptr;
    LV2_Worker_Schedule* schedule = nullptr;
    Uris uris;

    // What an unconnected control port reads: NaN, never applied.
    static constexpr float unconnected = __builtin_nanf("");
    std::array<const float*, OrvaneLv2Ports::controlCount> controls{};
    std::array<OrvaneLv2Ports::ValueMap, OrvaneLv2Ports::controlCount> valueMaps{};
    // Port value last written to the shell (NaN: none yet, so the first block applies it).
    std::array<std::atomic<float>, OrvaneLv2Ports::controlCount> applied;
    const float* inputs[2] = {nullptr, nullptr};
    float* outputs[2] = {nullptr, nullptr};
    const LV2_Atom_Sequence* eventPort = nullptr;
    float* meters[2] = {nullptr, nullptr};

    std::unique_ptr<VstMidiEvent[]> midiEvents;
    std::unique_ptr<VstEvent*[]> eventPointers;

    // The shell's resume waits for the first block after activation.
    bool resumePending = true;
    // A request is with the worker and not yet answered.
    bool workPending = false;
    HeldProgramChange heldProgramChange;

    // Transport from time:Position, advanced by run() between updates.
    bool transportKnown = false;
    double beatsPerMinute = 120.0; // in beat units
    double beatUnit = 4.0;
    double beatsPerBar = 4.0;
    double speed = 0.0;
    double quarterPosition = 0.0; // song position in quarter notes at the start of the block
};
