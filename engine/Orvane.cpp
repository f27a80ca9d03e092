#include "engine/Orvane.h"

#include "engine/MidiCcMap.h"
#include "engine/ParameterTable.h"
#include "units/LoopTargets.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{

constexpr auto relaxed = std::memory_order_relaxed;
// Events whose delta lies beyond this are not handled by applyPendingControllers.
constexpr int kLatestDelta = 1 << 30;

inline float finiteOrZero(float x) noexcept
{
    // x - x is 0 for every finite x and NaN for infinities and NaN; this form vectorises.
    return x - x == 0.0f ? x : 0.0f;
}

// Whether every sample of both buffers is finite: a float is infinite or not a number
// exactly when its exponent bits are all set. Integer tests, so the loop vectorises.
inline bool allFinite(const float* left, const float* right, int n) noexcept
{
    constexpr std::uint32_t exponent = 0x7f800000u;
    std::uint32_t bad = 0;
    for (int i = 0; i < n; ++i) {
        bad |= static_cast<std::uint32_t>((std::bit_cast<std::uint32_t>(left[i]) & exponent) == exponent);
        bad |= static_cast<std::uint32_t>((std::bit_cast<std::uint32_t>(right[i]) & exponent) == exponent);
    }
    return bad == 0;
}

} // namespace

Orvane::Orvane(const char* path) : KsPlugin(kAutomatableCount, kParameterCount, path)
{
    for (int i = 0; i < kParameterCount; ++i) {
        const ParameterInfo& info = parameterInfo(i);
        auto p = std::make_unique<KsParameter>(info.kind, info.announces, info.name, info.altName, info.unit,
                                               info.minimum, info.maximum);
        switch (info.sync) {
        case SyncUse::Rate:
            p->setSyncTable(rateSyncTable.count, rateSyncTable.beats, rateSyncTable.names,
                            rateSyncTable.freeMinHz, rateSyncTable.freeMaxHz);
            break;
        case SyncUse::Delay:
            p->setSyncTable(delaySyncTable.count, delaySyncTable.beats, delaySyncTable.names,
                            delaySyncTable.freeMinHz, delaySyncTable.freeMaxHz);
            p->interpolateFree = true;
            p->showMs = true;
            break;
        case SyncUse::Length:
            p->setSyncTable(lengthSyncTable.count, lengthSyncTable.beats, lengthSyncTable.names,
                            lengthSyncTable.freeMinHz, lengthSyncTable.freeMaxHz);
            p->setSynced(true);
            break;
        case SyncUse::Free:
            p->setSyncTable(0, nullptr, nullptr, 0.02f, 8.0f);
            break;
        case SyncUse::None:
            break;
        }
        parameters[static_cast<std::size_t>(i)] = std::move(p);
    }

    auto find = [this](const char* name) { return parameterIndex(name); };
    id.tranceGateOn = find("TranceGateOn");
    id.panOn = find("PanOn");
    id.panSource = find("PanSource");
    id.panShape = find("PanShape");
    id.panDepth = find("PanDepth");
    id.panRate = find("PanRate");
    id.panRateSync = find("PanRateSync");
    id.mmFilterOn = find("MmFilterOn");
    id.mmFilterMix = find("MmFilterMix");
    id.mmFilterType = find("MmFilterType");
    id.mmFilterCutoff = find("MmFilterCutoff");
    id.mmFilterRes = find("MmFilterRes");
    id.cutoffModOn = find("CutoffModOn");
    id.cutoffModSource = find("CutoffModSource");
    id.cutoffModShape = find("CutoffModShape");
    id.cutoffModDepth = find("CutoffModDepth");
    id.cutoffModRate = find("CutoffModRate");
    id.cutoffModRateSync = find("CutoffModRateSync");
    id.distOn = find("DistOn");
    id.distXcita = find("DistXcita");
    id.distSoftSat = find("DistSoftSat");
    id.flangerOn = find("FlangerOn");
    id.flangerMix = find("FlangerMix");
    id.flangerDelay = find("FlangerDelay");
    id.flangerRate = find("FlangerRate");
    id.flangerDepth = find("FlangerDepth");
    id.flangerFeedback = find("FlangerFeedback");
    id.delayOn = find("DelayOn");
    id.delayMix = find("DelayMix");
    id.delayFeedback = find("DelayFeedback");
    id.delayLRate = find("DelayLRate");
    id.delayRRate = find("DelayRRate");
    id.delayRateSync = find("DelayRateSync");
    id.delayCutoff = find("DelayCutoff");
    id.reverbOn = find("ReverbOn");
    id.reverbMix = find("ReverbMix");
    id.reverbSize = find("ReverbSize");
    id.masterOn = find("MasterOn");
    id.masterMix = find("MasterMix");
    id.masterVolume = find("MasterVolume");
    id.morphXParam = find("MorphXParam");
    id.morphYParam = find("MorphYParam");
    id.seqAttack = find("SeqAttack");
    id.seqSustain = find("SeqSustain");
    id.seqDecay = find("SeqDecay");
    id.seqShuffle = find("SeqShuffle");
    id.seqLength = find("SeqLength");
    id.seqMidiNoteTrigger = find("SeqMidiNoteTrigger");
    id.morphSquare = find("MorphSquare");
    id.stepSeqVol = find("StepSeqVol");
    id.stepSeqTie = find("StepSeqTie");
    id.panPosition = find("PanPosition");
    id.currentPattern = find("CurrentPattern");
    for (int p = 0; p < kPatternCount; ++p) {
        char name[KsParameter::kTextSize];
        std::snprintf(name, sizeof name, "SeqPat%dFiltOn", p + 1);
        id.seqPatFiltOn[p] = find(name);
        std::snprintf(name, sizeof name, "SeqPat%dPanOn", p + 1);
        id.seqPatPanOn[p] = find(name);
        std::snprintf(name, sizeof name, "SeqPat%dTGateOn", p + 1);
        id.seqPatTGateOn[p] = find(name);
    }

    resolveMorphTargets();

    // The reverb's damping is fixed: applied once here, never by a parameter.
    reverb.setDamp(0.5f);
    lastReverbDamp = 0.5f;

    // The pan position rests at the centre.
    parameters[id.panPosition]->setValue(0.5f);
    parameters[id.panPosition]->resetSmoothing();

    shellValue = 16.0f;
    buildDataPaths();

    // Controller map: every automatable parameter by name, no controller, then the built-in table.
    midiMap->clear();
    for (int i = 0; i < automatableCount; ++i)
        midiMap->add(parameters[i]->name, -1);
    midiMap->applyDefaults();
    // Learnt assignments of earlier sessions replace the built-in ones.
    midiMap->load(midiConfigPath);
}

Orvane::~Orvane()
{
    // Only a changed map is written: an unchanged (or unreadable) file stays as it is.
    midiMap->saveChanges(midiConfigPath);
}

bool Orvane::isSwitch(int index) const noexcept
{
    return index == id.panOn || index == id.mmFilterOn || index == id.cutoffModOn || index == id.distOn ||
           index == id.flangerOn || index == id.delayOn || index == id.reverbOn || index == id.masterOn;
}

void Orvane::snapSwitch(int index, float value)
{
    const float snapped = value > 0.5f ? 1.0f : 0.0f;
    if (snapped != value) setParameter(index, snapped);
}

void Orvane::parameterChanged(int index, float value)
{
    if (isSwitch(index)) {
        snapSwitch(index, value);
        value = value > 0.5f ? 1.0f : 0.0f;
    }
    if (index == id.masterOn) masterOff.store(!(value > 0.5f), relaxed);
    modulationChanged(index, value);
    refreshMorph(index);
}

void Orvane::displayOverride(int index, char* text)
{
    if (index != id.mmFilterCutoff || !bitReductionSelected()) return;
    // Under bit reduction the cutoff knob chooses a bit depth: the cutoff in Hz
    // as a note number, scaled onto 16 .. 1 bits as the filter does.
    const float v = parameters[id.mmFilterCutoff]->targetValue.load(relaxed);
    float hz = 80.0f;
    if (v >= 1.0f) {
        hz = 16000.0f;
    } else if (v > 0.0f) {
        float t = std::clamp(-0.25f * std::log10(1.0f - v), 0.0f, 1.0f);
        if (t < 0.0000001f) t = 0.0f;
        hz = t * 15920.0f + 80.0f;
    }
    const float note = std::max(0.0f, 12.0f * std::log2(hz / 440.0f) + 69.0f);
    std::snprintf(text, KsParameter::kTextSize, "%i", static_cast<int>(KsFilterBitRed::bitsForNote(note)));
}

void Orvane::unitOverride(int index, char* text)
{
    if (index == id.mmFilterCutoff && bitReductionSelected())
        std::snprintf(text, KsParameter::kTextSize, "Bit");
}

bool Orvane::bitReductionSelected() const noexcept
{
    return filterRowForTypeValue(parameters[id.mmFilterType]->targetValue.load(relaxed)) == filterRowBitRed;
}

void Orvane::setSampleRate(float rate)
{
    if (!std::isfinite(rate) || rate <= 0.0f) return;
    KsPlugin::setSampleRate(rate);
    // Effect units, the sequencer clock and the oscillators take the rate here.
    exciter.setSampleRate(rate);
    filter.setSampleRate(rate);
    flanger.setSampleRate(rate);
    delay.setSampleRate(rate);
    reverb.setSampleRate(rate);
    sequencer.setSampleRate(rate);
    panLfo.setSampleRate(rate);
    cutoffLfo.setSampleRate(rate);
    for (auto& p : parameters)
        p->setSampleRate(rate);
}

void Orvane::reset()
{
    exciter.reset();
    flanger.reset();
    delay.reset();
    reverb.reset();
}

void Orvane::resume()
{
    for (auto& p : parameters)
        p->resetSmoothing();
    reset();
    setTempo(tempo.load(relaxed), songPosition.load(relaxed));
}

void Orvane::clearHistory()
{
    KsPlugin::clearHistory();
    reverb.clear();
    filter.reset();
    masterGain = 0.0f;
    masterMix = 0.0f;
    panLfo.restart();
    cutoffLfo.restart();
    sequencer.setPosition(0.0);
    KsPlugin::setTempo(tempo.load(relaxed), 0.0);
    followTempo();
}

void Orvane::setTempo(float newTempo, double position)
{
    if (newTempo == tempo.load(relaxed) && position == songPosition.load(relaxed)) return;
    KsPlugin::setTempo(newTempo, position);
    followTempo();
}

void Orvane::followTempo() noexcept
{
    // Both oscillators (rate and phase), the sequencer (rate, position and the pattern of each
    // chain) and the delay rates.
    updateOscillatorRate(panLfo, id.panRate, id.panRateSync);
    updateOscillatorRate(cutoffLfo, id.cutoffModRate, id.cutoffModRateSync);
    updateSequencerRate();
    updateDelayRates();
}

void Orvane::decideSections(int frames, Sections& s) noexcept
{
    // When no parameter has changed since the last decision and every one it read had settled,
    // reading them again would move no ramp and give the same values: the same decision.
    const std::uint32_t changes = KsParameter::changes.load(std::memory_order_acquire);
    if (sectionsSettled && changes == sectionsChanges) {
        s = sectionsSeen;
        return;
    }
    bool settled = true;
    auto read = [&](int index) {
        const KsParameter& p = *parameters[index];
        const float v = param(index, frames);
        settled &= p.settled();
        return v;
    };
    auto targetRead = [&](int index) {
        const KsParameter& p = *parameters[index];
        settled &= !p.modulation.load(relaxed);
        return p.target();
    };
    auto on = [&](int index) { return read(index) > 0.5f; };
    auto anyChain = [&](const int* chain) {
        for (int p = 0; p < kPatternCount; ++p)
            if (targetRead(chain[p]) > 0.5f) return true;
        return false;
    };
    const int panSource = static_cast<int>(targetRead(id.panSource));
    const int cutoffSource = static_cast<int>(targetRead(id.cutoffModSource));
    s.filterBySequencer = cutoffSource == 1 && anyChain(id.seqPatFiltOn);
    s.panBySequencer = panSource == 1 && anyChain(id.seqPatPanOn);
    s.panByLfo = panSource == 0;
    s.gateOn = anyChain(id.seqPatTGateOn) && on(id.tranceGateOn);
    s.panOn = on(id.panOn);
    s.filterOn = on(id.mmFilterOn);
    s.flangerOn = on(id.flangerOn);
    s.delayOn = on(id.delayOn);
    s.reverbOn = on(id.reverbOn);
    const bool distOn = on(id.distOn);
    const float softSat = read(id.distSoftSat);
    const float xcita = read(id.distXcita);
    s.softSatOn = distOn && softSat > 0.0f;
    s.exciterOn = distOn && xcita > 0.0f;
    sectionsSeen = s;
    sectionsChanges = changes;
    sectionsSettled = settled;
}

void Orvane::process(const float* inL, const float* inR, float* outL, float* outR, int frames,
                     bool replacing) noexcept
{
    const float rate = sampleRate > 0.0f ? sampleRate : 44100.0f;
    if (frames > 0) {
        const double pos = songPosition.load(relaxed) + static_cast<double>(frames) * effectiveTempo() /
                                                            (static_cast<double>(rate) * 60.0);
        songPosition.store(pos, relaxed);
    }
    Sections sections{};
    decideSections(frames, sections);
    if (frames < 1 || !inL || !inR || !outL || !outR) {
        eventCount.store(0, relaxed);
        eventRead.store(0, relaxed);
        return;
    }

    const int queued = std::min(eventCount.load(std::memory_order_acquire), kMaxEvents);
    int next = eventRead.load(relaxed);
    for (int start = 0; start < frames;) {
        const int n = std::min(kSubBlock, frames - start);
        for (int i = 0; i < n; ++i) {
            dryL[i] = bufferL[i] = finiteOrZero(inL[i]);
            dryR[i] = bufferR[i] = finiteOrZero(inR[i]);
        }
        // At most one event per sub-block: the next one, if it falls within it.
        if (next < queued && eventDeltas[next] <= start + n) handleEvent(next++, false);

        SubBlock b{n, 1.0f, 1.0f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
        stepSequencer(b, sections);
        stepOscillators(b);
        if (sections.gateOn) processGate(b);
        if (sections.panOn) processPan(b, sections);
        if (sections.filterOn) processFilter(b, sections);
        if (sections.exciterOn) processExciter(n);
        if (sections.softSatOn) processSaturator(n);
        if (sections.flangerOn) processFlanger(n);
        if (sections.delayOn) processDelay(n);
        if (sections.reverbOn) processReverb(n);
        // A sample that is not finite at the end of the chain means that a section's state went
        // bad, and every section after it has taken the value in: all sections with state that
        // ran are cleared at once, so that it neither stays nor sounds again. One check per
        // sub-block; nothing to check while no section with state runs.
        if (sections.filterOn || sections.exciterOn || sections.flangerOn || sections.delayOn ||
            sections.reverbOn) {
            if (!keepFinite(n)) clearSections(sections);
        }
        processMaster(n);

        if (replacing) {
            std::memcpy(outL, bufferL, sizeof(float) * static_cast<std::size_t>(n));
            std::memcpy(outR, bufferR, sizeof(float) * static_cast<std::size_t>(n));
        } else {
            for (int i = 0; i < n; ++i) {
                outL[i] += bufferL[i];
                outR[i] += bufferR[i];
            }
        }
        updateMeters(n);
        inL += n;
        inR += n;
        outL += n;
        outR += n;
        start += n;
    }
    // Events not reached in this block are dropped.
    eventCount.store(0, relaxed);
    eventRead.store(0, relaxed);
}

void Orvane::applyPendingControllers() noexcept
{
    const int queued = std::min(eventCount.load(std::memory_order_acquire), kMaxEvents);
    for (int i = eventRead.load(relaxed); i < queued; ++i) {
        if (eventDeltas[i] > kLatestDelta) break;
        handleEvent(i, true);
    }
    eventCount.store(0, relaxed);
    eventRead.store(0, relaxed);
}

void Orvane::handleEvent(int i, bool channelOneControllersOnly) noexcept
{
    const int status = eventStatus[i];
    if (channelOneControllersOnly) {
        if (status == 0xB0) handleController(eventData1[i], eventData2[i]);
        return;
    }
    switch (status & 0xF0) {
    case 0xB0:
        handleController(eventData1[i], eventData2[i]);
        break;
    case 0x90:
        handleNoteOn(eventData1[i]);
        break;
    default:
        break;
    }
}

void Orvane::handleController(int controller, int data) noexcept
{
    const int index = midiMap->findParameter(controller, automatableCount);
    if (index < 0) return;
    const float value = static_cast<float>(data) / 127.0f;
    if (index == id.morphXParam || index == id.morphYParam)
        redirectMorphController(index, value);
    else
        setParameter(index, value);
}

void Orvane::redirectMorphController(int selectorIndex, float value) noexcept
{
    const int s = selectorOf(selectorIndex);
    if (s >= morphTargetCount || morphTargetIndex[s] < 0) return;
    setParameter(morphTargetIndex[s], value);
    toggleMorphSquare();
}

void Orvane::handleNoteOn(int note) noexcept
{
    if (!(targetOf(id.seqMidiNoteTrigger) > 0.5f)) return;
    const int* chain = nullptr;
    int pattern = 0;
    if (note >= 48 && note <= 55) {
        chain = id.seqPatTGateOn;
        pattern = note - 48;
    } else if (note >= 60 && note <= 67) {
        chain = id.seqPatFiltOn;
        pattern = note - 60;
    } else if (note >= 72 && note <= 79) {
        chain = id.seqPatPanOn;
        pattern = note - 72;
    } else {
        return;
    }
    for (int p = 0; p < kPatternCount; ++p)
        setParameter(chain[p], 0.0f);
    setParameter(chain[pattern], 1.0f);
}

void Orvane::stepSequencer(SubBlock& b, const Sections& s) noexcept
{
    // Only the envelopes a section on this sub-block will hear are looked up.
    const bool gate = s.gateOn;
    const bool filterHeard = s.filterOn && s.filterBySequencer;
    const bool pan = s.panOn && s.panBySequencer;
    if (gate) b.gateStart = sequencer.gateEnvelope(gatePattern.load(relaxed));
    if (pan) b.panSeqStart = sequencer.gateEnvelope(panPattern.load(relaxed));
    if (sequencer.advanceClock(b.n)) {
        // A new cycle: each chain moves on to its next switched-on pattern.
        auto moveOn = [this](std::atomic<int>& pattern, const int(&chain)[kPatternCount]) {
            pattern.store(GateSequencer::nextPattern(pattern.load(relaxed), chainMask(chain)), relaxed);
        };
        moveOn(filterPattern, id.seqPatFiltOn);
        moveOn(panPattern, id.seqPatPanOn);
        moveOn(gatePattern, id.seqPatTGateOn);
    }
    if (gate) b.gateEnd = sequencer.gateEnvelope(gatePattern.load(relaxed));
    if (filterHeard) b.filterEnd = sequencer.gateEnvelope(filterPattern.load(relaxed));
    if (pan) b.panSeqEnd = sequencer.gateEnvelope(panPattern.load(relaxed));
}

void Orvane::stepOscillators(SubBlock& b) noexcept
{
    KsParameter& position = *parameters[id.panPosition];
    b.panPosStart = position.read(b.n);
    panLfo.advance(b.n);
    cutoffLfo.advance(b.n);
    b.panPosEnd = position.current();
}

ORVANE_UNIT_LOOP
void Orvane::processGate(const SubBlock& b) noexcept
{
    // The gain glides from the start value (first frame) towards the end value; computed from
    // the frame index rather than accumulated, so the loop vectorises.
    const float start = b.gateStart;
    const float step = (b.gateEnd - b.gateStart) / static_cast<float>(b.n);
    for (int i = 0; i < b.n; ++i) {
        const float gain = start + step * static_cast<float>(i);
        bufferL[i] *= gain;
        bufferR[i] *= gain;
    }
}

ORVANE_UNIT_LOOP
void Orvane::processPan(const SubBlock& b, const Sections& s) noexcept
{
    // The depth is taken before its ramp moves on by this sub-block.
    KsParameter& depth = *parameters[id.panDepth];
    const float d = depth.current();
    depth.advance(b.n);
    float start = 0.5f;
    float end = 0.5f;
    if (s.panByLfo) {
        start = b.panPosStart;
        end = b.panPosEnd;
    } else if (s.panBySequencer) {
        start = (b.panSeqStart - 0.5f) * d + 0.5f;
        end = (b.panSeqEnd - 0.5f) * d + 0.5f;
    }
    // Pan law: p = 1 is fully left, 0.5 unity on both sides; the depth blends each side with
    // the mid signal. p glides from start (first frame) towards end.
    const float step = (end - start) / static_cast<float>(b.n);
    for (int i = 0; i < b.n; ++i) {
        const float p = start + step * static_cast<float>(i);
        const float l = bufferL[i];
        const float r = bufferR[i];
        const float m = 0.5f * (l + r) * d;
        bufferL[i] = 2.0f * p * ((1.0f - d) * l + m);
        bufferR[i] = 2.0f * (1.0f - p) * ((1.0f - d) * r + m);
    }
}

void Orvane::processFilter(const SubBlock& b, const Sections& s) noexcept
{
    const int n = b.n;
    // The type is the selected one: stepping through the types in between while the
    // selector's value glides would set up (and sound) every one of them.
    parameters[id.mmFilterType]->advance(n);
    const int32_t type = filterRowForTypeValue(targetOf(id.mmFilterType));
    const float mix = param(id.mmFilterMix, n);
    const float resonance = param(id.mmFilterRes, n);
    // "MmFilterCutoff" includes the cutoff oscillator when it is linked; sequencerCutoff
    // adds the sequencer's modulation when that is heard.
    const float cutoff = sequencerCutoff(std::clamp(param(id.mmFilterCutoff, n), 0.0f, 1.0f), b, s);
    filter.process(type, cutoff, resonance, 0.0f, mix, 0.0f, 0.0f, bufferL, bufferR, n);
}

void Orvane::processExciter(int n) noexcept
{
    exciter.process(bufferL, bufferR, n, param(id.distXcita, n));
}

void Orvane::processSaturator(int n) noexcept
{
    softSaturator.process(bufferL, bufferR, n, param(id.distSoftSat, n));
}

void Orvane::processFlanger(int n) noexcept
{
    // "FlangerDelay" (ms) and "FlangerDepth" (0..1 ms) re-derive the line only when they
    // differ from the stored times. Applying them here rather than in parameterChanged keeps
    // every flanger field on the audio thread, so a host write can never land mid-block.
    // Every value read here is already physical (ms, 0..1, Hz, 0..0.95): none is mapped again.
    flanger.setBaseDelay(targetOf(id.flangerDelay) / 1000.0f);
    flanger.setDepth(targetOf(id.flangerDepth) / 1000.0f);
    const float mix = param(id.flangerMix, n);
    const float rate = parameters[id.flangerRate]->rateHz(effectiveTempo());
    const float feedback = param(id.flangerFeedback, n);
    flanger.process(bufferL, bufferR, n, mix, rate, feedback);
}

void Orvane::processDelay(int n) noexcept
{
    delay.setLeftRate(delayLeftRate.load(relaxed));
    delay.setRightRate(delayRightRate.load(relaxed));
    const float mix = param(id.delayMix, n);
    const float feedback = param(id.delayFeedback, n);
    delay.process(bufferL, bufferR, n, mix, feedback, param(id.delayCutoff, n));
}

void Orvane::processReverb(int n) noexcept
{
    // A new "ReverbSize" is applied whenever it differs from the size last handed over
    // (lastReverbSize starts at -1, so the first one always is); like the flanger times it is
    // taken here so that the comb settings only ever change on the audio thread.
    const float size = targetOf(id.reverbSize);
    if (size != lastReverbSize) {
        lastReverbSize = size;
        reverb.setRoomSize(size);
    }
    const float mix = param(id.reverbMix, n);
    if (mix != lastReverbMix) {
        lastReverbMix = mix;
        reverb.setWet(0.25f * mix);
        reverb.setDry(0.5f - 0.25f * mix);
    }
    reverb.process(bufferL, bufferR, n);
}

void Orvane::clearSections(const Sections& s) noexcept
{
    if (s.filterOn) filter.reset();
    if (s.exciterOn) exciter.reset();
    if (s.flangerOn) flanger.reset();
    if (s.delayOn) delay.reset();
    if (s.reverbOn) reverb.reset();
}

bool Orvane::keepFinite(int n) noexcept
{
    if (allFinite(bufferL, bufferR, n)) return true;
    for (int i = 0; i < n; ++i) {
        bufferL[i] = finiteOrZero(bufferL[i]);
        bufferR[i] = finiteOrZero(bufferR[i]);
    }
    return false;
}

ORVANE_UNIT_LOOP
void Orvane::processMaster(int n) noexcept
{
    const float volume = param(id.masterVolume, n) * 1.3f;
    if (volume != masterVolumeSeen) {
        masterVolumeSeen = volume;
        masterGainSeen = std::pow(volume, 2.737f);
    }
    const float gainTarget = masterGainSeen;
    const float mixTarget = param(id.masterMix, n);
    const float gainStep = (gainTarget - masterGain) / static_cast<float>(n);
    const float mixStep = (mixTarget - masterMix) / static_cast<float>(n);
    const float gain0 = masterGain;
    const float mix0 = masterMix;
    // Frame i uses the values reached after i steps; computed from i so the loop vectorises.
    // Whatever the sections before did, the host only ever receives finite samples.
    for (int i = 0; i < n; ++i) {
        const float f = static_cast<float>(i);
        const float gain = gain0 + f * gainStep;
        const float mix = mix0 + f * mixStep;
        bufferL[i] = finiteOrZero(((1.0f - mix) * dryL[i] + mix * bufferL[i]) * gain);
        bufferR[i] = finiteOrZero(((1.0f - mix) * dryR[i] + mix * bufferR[i]) * gain);
    }
    // The glide ends exactly on the targets.
    masterGain = gainTarget;
    masterMix = mixTarget;
}

void Orvane::updateMeters(int n) noexcept
{
    const float rate = sampleRate > 0.0f ? sampleRate : 44100.0f;
    const float fall = 2.0f * static_cast<float>(n) / rate;
    float left = peakLeft.load(relaxed) - fall;
    float right = peakRight.load(relaxed) - fall;
    for (int i = 0; i < n; i += 8) {
        left = std::max(left, std::fabs(bufferL[i]));
        right = std::max(right, std::fabs(bufferR[i]));
    }
    peakLeft.store(left, relaxed);
    peakRight.store(right, relaxed);
}
