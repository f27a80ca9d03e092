// Orvane: the product's engine. Runs the fixed chain trance gate -> auto-pan ->
// multimode filter -> exciter -> soft saturation -> flanger -> delay -> reverb ->
// master on two working buffers, in sub-blocks of at most 64 frames, and handles
// MIDI controllers and pattern-selecting notes.
//
// Threading: process, applyPendingControllers and every section run on the audio
// thread and allocate, lock, throw and print nothing. Parameter writes arrive on
// other threads through setParameter; the section decisions and values are read
// once per block or sub-block, so a write takes effect at the next read.
#pragma once

#include "engine/GateSequencer.h"
#include "engine/KsPlugin.h"
#include "engine/Lfo.h"
#include "engine/MorphTargets.h"
#include "filters/MultimodeFilter.h"
#include "units/Exciter.h"
#include "units/Flanger.h"
#include "units/Reverb.h"
#include "units/SoftSaturator.h"
#include "units/StereoDelay.h"

#include <atomic>
#include <cstdint>

class Orvane : public KsPlugin
{
  public:
    static constexpr int kSubBlock = 64; // largest sub-block in frames

    // Builds the parameters from the table, the working buffers, the data
    // paths and the controller map with its built-in assignments.
    explicit Orvane(const char* path = "");
    ~Orvane() override;

    void process(const float* inL, const float* inR, float* outL, float* outR, int frames,
                 bool replacing) noexcept override;
    void resume() override;
    void setSampleRate(float rate) override;
    float version1() const override { return 1.0f; }
    float version2() const override { return 50.0f; }
    float version3() const override { return 1.0f; }
    float version4() const override { return 1597.0f; }
    float productConstant() const override { return 1.0f; }
    void reset() override;
    // reset, and the reverb's high-passes, the filter, the master glide (from silence again),
    // the meters, the oscillators and the sequencer (at song position 0).
    void clearHistory() override;
    void setTempo(float newTempo, double position) override;
    const char* productName() const override { return "Orvane"; }
    void displayOverride(int index, char* text) override;
    void unitOverride(int index, char* text) override;
    void parameterChanged(int index, float value) override;
    const char* dataFolderName() const override { return "OrvaneData"; }
    void applyPendingControllers() noexcept override;
    // Builds a new patch for the sections that are switched on, new step patterns when the
    // sequencer is heard, and a new pair of XY pad targets.
    void randomize() override;

    // Indices of the parameters the engine reads, looked up by name once.
    struct ParamIds {
        int tranceGateOn, panOn, panSource, panShape, panDepth, panRate, panRateSync;
        int mmFilterOn, mmFilterMix, mmFilterType, mmFilterCutoff, mmFilterRes;
        int cutoffModOn, cutoffModSource, cutoffModShape, cutoffModDepth, cutoffModRate, cutoffModRateSync;
        int distOn, distXcita, distSoftSat;
        int flangerOn, flangerMix, flangerDelay, flangerRate, flangerDepth, flangerFeedback;
        int delayOn, delayMix, delayFeedback, delayLRate, delayRRate, delayRateSync, delayCutoff;
        int reverbOn, reverbMix, reverbSize;
        int masterOn, masterMix, masterVolume;
        int morphXParam, morphYParam;
        int seqAttack, seqSustain, seqDecay, seqShuffle, seqLength, seqMidiNoteTrigger;
        int morphSquare, stepSeqVol, stepSeqTie, panPosition, currentPattern;
        int seqPatFiltOn[8], seqPatPanOn[8], seqPatTGateOn[8];
    };
    const ParamIds& ids() const noexcept { return id; }

    // Effect units of the chain, by value.
    SoftSaturator softSaturator;
    Exciter exciter;
    MultimodeFilter filter;
    Flanger flanger;
    StereoDelay delay;
    Reverb reverb;

    // Pipeline state (see the design's member list).
    float lastReverbMix = -1.0f;
    float lastReverbDamp = -1.0f;
    float lastReverbSize = -1.0f;
    alignas(16) float bufferL[kSubBlock] = {};
    alignas(16) float bufferR[kSubBlock] = {};
    float masterGain = 0.0f;
    float masterMix = 0.0f;
    std::atomic<int> gatePattern{0};
    std::atomic<int> filterPattern{0};
    std::atomic<int> panPattern{0};

    // Modulation sources: the step sequencer with its clock, and the pan and cutoff oscillators.
    GateSequencer sequencer;
    Lfo panLfo;
    Lfo cutoffLfo;
    // Echo rates in Hz computed from "DelayLRate"/"DelayRRate" at the present tempo.
    std::atomic<float> delayLeftRate{0.0f};
    std::atomic<float> delayRightRate{0.0f};

  private:
    // Which sections run in this host block (decided once per block).
    struct Sections {
        bool filterBySequencer, panBySequencer, panByLfo;
        bool gateOn, panOn, filterOn, flangerOn, delayOn, reverbOn;
        bool softSatOn, exciterOn;
    };
    // Values of one sub-block shared between its steps.
    struct SubBlock {
        int n;
        float gateStart, gateEnd;     // gate envelope of gatePattern
        float filterEnd;              // envelope of filterPattern (cutoff modulation)
        float panSeqStart, panSeqEnd; // envelope of panPattern
        float panPosStart, panPosEnd; // "PanPosition" before and after the oscillators moved
    };

    void decideSections(int frames, Sections& s) noexcept;
    // Handles one queued event; channelOneControllersOnly is the pass-through rule.
    void handleEvent(int i, bool channelOneControllersOnly) noexcept;
    void handleController(int controller, int data) noexcept;
    // A controller learnt on "MorphXParam"/"MorphYParam" moves the selected target instead.
    void redirectMorphController(int selectorIndex, float value) noexcept;
    void handleNoteOn(int note) noexcept;
    void stepSequencer(SubBlock& b, const Sections& s) noexcept;
    void stepOscillators(SubBlock& b) noexcept;
    void processGate(const SubBlock& b) noexcept;
    void processPan(const SubBlock& b, const Sections& s) noexcept;
    void processFilter(const SubBlock& b, const Sections& s) noexcept;
    void processExciter(int n) noexcept;
    void processSaturator(int n) noexcept;
    void processFlanger(int n) noexcept;
    void processDelay(int n) noexcept;
    void processReverb(int n) noexcept;
    // Master mix and gain; the samples it writes are always finite.
    void processMaster(int n) noexcept;
    // Whether both working buffers hold only finite samples for n frames; when not, the
    // samples that are not finite become 0 and the result is false.
    bool keepFinite(int n) noexcept;
    // Resets every section with state that runs in this block (filter, exciter, flanger,
    // delay, reverb).
    void clearSections(const Sections& s) noexcept;
    void updateMeters(int n) noexcept;
    // Sets a section switch to exactly 0 or 1.
    void snapSwitch(int index, float value);
    float param(int index, int samples) noexcept { return parameters[index]->read(samples); }
    float targetOf(int index) const noexcept { return parameters[index]->target(); }
    bool isSwitch(int index) const noexcept;
    // Whether "MmFilterType" selects the bit-reduction filter (its cutoff shows a bit depth).
    bool bitReductionSelected() const noexcept;

    // Modulation side (OrvaneModulation.cpp).
    void resolveMorphTargets();
    bool isOn(int index) const noexcept;
    int selectorOf(int index) const noexcept;
    unsigned chainMask(const int (&switches)[8]) const noexcept;
    int firstActivePattern(const int (&switches)[8]) const noexcept;
    void updateOscillatorRate(Lfo& lfo, int rateIndex, int syncIndex) noexcept;
    void resyncOscillators() noexcept;
    void updateSequencerRate() noexcept;
    void resyncSequencer() noexcept;
    void updatePanLink() noexcept;
    void updateCutoffLink() noexcept;
    void updateDelayRates() noexcept;
    // Everything locked to the tempo follows the stored tempo and song position.
    void followTempo() noexcept;
    void pushStepParameters(int firstIndex);
    // Reactions of the oscillators, the sequencer and the delay rates to a parameter change.
    void modulationChanged(int index, float value);
    // Toggles "MorphSquare" when one of the XY pad's two targets changed.
    void refreshMorph(int index);
    void toggleMorphSquare();
    int pickMorphTarget() const;
    // "MmFilterCutoff" plus the sequencer's cutoff modulation, when that is heard.
    float sequencerCutoff(float cutoff, const SubBlock& b, const Sections& s) noexcept;

    ParamIds id{};
    // decideSections' last decision, KsParameter::changes when it was taken, and whether every
    // parameter it read had settled then (only then can it be taken again without reading).
    Sections sectionsSeen{};
    std::uint32_t sectionsChanges = 0;
    bool sectionsSettled = false;
    int morphTargetIndex[morphTargetCount] = {};
    float masterVolumeSeen = -1.0f; // last master volume and the gain it gives
    float masterGainSeen = 0.0f;
    alignas(16) float dryL[kSubBlock] = {}; // input of the sub-block, non-finite samples as 0
    alignas(16) float dryR[kSubBlock] = {};
};
