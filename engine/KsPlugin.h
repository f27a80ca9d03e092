// KsPlugin: the host-independent engine base. Owns the parameter table, the MIDI
// event queue and controller map, tempo and song position, sample rate, output
// meters and the data-folder paths, and defines the virtual operations through
// which the plug-in shell and the editor drive an engine.
//
// Threading: process, applyPendingControllers and the section code run on the
// audio thread; setParameter, getParameter and the meters may be used from host
// and editor threads at the same time. There are no locks: every field shared
// between threads is a std::atomic (relaxed). Only construction and
// setSampleRate of derived engines allocate.
#pragma once

#include "engine/KsParameter.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class MidiCcMap;
class KsEditor;

// Where the engine sends parameter writes that must also reach the host (the
// shell's automated write). Set by the shell; null when there is none.
class KsAutomation
{
  public:
    virtual ~KsAutomation() = default;
    virtual void setParameterAutomated(int index, float value) = 0;
};

class KsPlugin
{
  public:
    static constexpr int kMaxEvents = 1024; // MIDI events queued per block
    static constexpr int kPathSize = 512;   // paths, terminator included

    // Empty parameter slots for parameterCount parameters, the first
    // automatableCount of them host-visible; shellPath is kept as given.
    KsPlugin(int automatableCount, int parameterCount, const char* shellPath);
    virtual ~KsPlugin();
    KsPlugin(const KsPlugin&) = delete;
    KsPlugin& operator=(const KsPlugin&) = delete;

    // Virtual operations, in slot order.
    // 0: one host block; replacing writes the outputs, otherwise adds to them.
    virtual void process(const float* inL, const float* inR, float* outL, float* outR, int frames,
                         bool replacing) noexcept;
    // 1: processing is switched off.
    virtual void suspend();
    // 2: processing is switched on again.
    virtual void resume();
    // 3: stores the rate (a rate that is not finite or not above 0 is ignored).
    virtual void setSampleRate(float rate);
    // 4 to 7: the four version numbers.
    virtual float version1() const { return 0.0f; }
    virtual float version2() const { return 0.0f; }
    virtual float version3() const { return 0.0f; }
    virtual float version4() const { return 0.0f; }
    // 8: a further product constant.
    virtual float productConstant() const { return 0.0f; }
    // 9: clears the effect units' state.
    virtual void reset();
    // Clears every state that depends on past audio or time, so that the next block sounds
    // as it would from a new engine with the same parameters (reset here). Not on the audio
    // thread.
    virtual void clearHistory();
    // 10: host tempo (beats per minute) and song position (beats). A tempo that
    // is not finite or not above 0 keeps the previous one; a non-finite position
    // keeps the previous position.
    virtual void setTempo(float newTempo, double position);
    // 11: product name, null for none.
    virtual const char* productName() const { return nullptr; }
    // 12: every automatable parameter gets ksRand() / 32767 through setValue, without hooks.
    virtual void randomize();
    // 13: may replace the display text of a parameter.
    virtual void displayOverride(int index, char* text);
    // 14: may replace the unit text of a parameter.
    virtual void unitOverride(int index, char* text);
    // 15: may change a value before it is set.
    virtual void willSetParameter(int index, float& value);
    // 16: keeps derived state in step after a set.
    virtual void parameterChanged(int index, float value);
    // 17: name of the data folder inside the maker's folder.
    virtual const char* dataFolderName() const { return "Data"; }
    // 18: handles queued controllers while process is not run.
    virtual void applyPendingControllers() noexcept;

    // Sets a parameter from a normalised value: willSetParameter, setValue, mark
    // changed, parameterChanged. Indices out of range and non-finite values are
    // ignored; other values are limited to 0..1.
    void setParameter(int index, float value);
    // Normalised value (0 for an index out of range).
    float getParameter(int index) const;
    // Name texts into text (at least KsParameter::kTextSize bytes; "" for a bad index).
    void getParameterName(int index, char* text) const;
    void getParameterAltName(int index, char* text) const;
    // Display text, then the display override.
    void getParameterDisplay(int index, char* text);
    // Unit text, then the unit override.
    void getParameterLabel(int index, char* text);
    // The parameter object, or null for an index out of range.
    KsParameter* parameter(int index) const;
    // First parameter with that primary name, -1 if none.
    int parameterIndex(const char* name) const;
    // Queues a MIDI event for the next block; beyond kMaxEvents events are dropped.
    void queueEvent(std::uint8_t status, std::uint8_t data1, std::uint8_t data2, int delta) noexcept;
    // Peak meter: channel 0 left, 1 right.
    float readPeak(int channel) const noexcept;
    // Arms MIDI learn for a parameter index (-1 disarms).
    void setLearnTarget(int index) noexcept { learnTarget.store(index, std::memory_order_relaxed); }
    // Tempo used for rate computations: the stored tempo, or 120 before any valid one.
    float effectiveTempo() const noexcept;

    // Fields, in the order of the design.
    std::vector<std::unique_ptr<KsParameter>> parameters;
    int parameterCount = 0;
    int automatableCount = 0;
    std::unique_ptr<MidiCcMap> midiMap;
    int eventDeltas[kMaxEvents] = {};
    std::uint8_t eventStatus[kMaxEvents] = {};
    std::uint8_t eventData1[kMaxEvents] = {};
    std::uint8_t eventData2[kMaxEvents] = {};
    std::atomic<int> eventCount{0};
    std::atomic<int> eventRead{0};
    std::atomic<bool> shellFlag{false};
    std::atomic<float> tempo{-1.0f};
    std::atomic<double> songPosition{-1.0};
    std::unique_ptr<std::atomic<std::uint8_t>[]> changed;
    // Set (release) after any changed flag is set, so that the shell's flush can skip the scan
    // of all flags in the common block where nothing changed.
    std::atomic<bool> anyChanged{false};
    char shellPath[kPathSize] = {};
    char dataFolder[kPathSize] = {};
    char midiConfigPath[kPathSize] = {};
    // Set and cleared on the user-interface thread; the audio thread only tests it.
    std::atomic<KsEditor*> editor{nullptr};
    KsAutomation* automation = nullptr;
    float sampleRate = 0.0f;
    char dataFolderSlash[kPathSize] = {};
    std::atomic<float> peakLeft{0.0f};
    std::atomic<float> peakRight{0.0f};
    std::atomic<int> learnTarget{-1};
    std::atomic<bool> masterOff{false};
    // Seconds of silent input after which the shell stops running the engine.
    float shellValue = 0.0f;

  protected:
    // Builds dataFolder, dataFolderSlash and midiConfigPath from the platform's
    // common application-data folder (os::commonDataFolder) and dataFolderName();
    // all stay empty when there is none. Derived engines call it from their constructor.
    void buildDataPaths();
};
