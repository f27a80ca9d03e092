// Orvane's modulation side: tempo and song position, the two oscillators and their links to
// "PanPosition" and "MmFilterCutoff", the step sequencer's parameter copies and pattern chains,
// the delay rates, the XY pad's refresh signal and MIDI redirection, and the randomiser.
// The pipeline steps that run these sources per sub-block live with the rest of the pipeline.
#include "engine/Orvane.h"

#include "engine/MorphTargets.h"
#include "engine/ParameterTable.h"
#include "engine/RandomDraws.h"

#include <algorithm>

namespace
{

// Selector entry k is stored as the normalised value k / 100.
constexpr float selectorValue(int k)
{
    return static_cast<float>(k) * 0.01f;
}

} // namespace

void Orvane::resolveMorphTargets()
{
    for (int s = 0; s < morphTargetCount; ++s)
        morphTargetIndex[s] = parameterIndex(morphTargets[s]);
}

bool Orvane::isOn(int index) const noexcept
{
    return parameters[index]->targetValue.load(std::memory_order_relaxed) > 0.5f;
}

int Orvane::selectorOf(int index) const noexcept
{
    return parameters[index]->wholeValue();
}

unsigned Orvane::chainMask(const int (&switches)[kPatternCount]) const noexcept
{
    unsigned mask = 0;
    for (int p = 0; p < kPatternCount; ++p)
        if (isOn(switches[p])) mask |= 1u << p;
    return mask;
}

int Orvane::firstActivePattern(const int (&switches)[kPatternCount]) const noexcept
{
    const double position = songPosition.load(std::memory_order_relaxed);
    return GateSequencer::firstActivePattern(parameters[id.seqLength]->syncCycles(position),
                                             chainMask(switches));
}

void Orvane::updateOscillatorRate(Lfo& lfo, int rateIndex, int syncIndex) noexcept
{
    KsParameter& rate = *parameters[rateIndex];
    rate.setSynced(isOn(syncIndex));
    lfo.setRate(rate.rateHz(tempo.load(std::memory_order_relaxed)));
    lfo.update();
    resyncOscillators();
}

void Orvane::resyncOscillators() noexcept
{
    const double position = songPosition.load(std::memory_order_relaxed);
    const struct {
        Lfo& lfo;
        int rate, sync;
    } oscillators[] = {{panLfo, id.panRate, id.panRateSync},
                       {cutoffLfo, id.cutoffModRate, id.cutoffModRateSync}};
    for (const auto& o : oscillators) {
        if (!isOn(o.sync)) continue; // free-running oscillators keep their phase
        const double phase = parameters[o.rate]->syncPhase(position);
        if (phase >= 0.0) o.lfo.setPhase(phase < 1.0 ? phase : 0.0);
    }
}

void Orvane::updateSequencerRate() noexcept
{
    sequencer.setRate(parameters[id.seqLength]->rateHz(tempo.load(std::memory_order_relaxed)));
    resyncSequencer();
}

void Orvane::resyncSequencer() noexcept
{
    const double phase = parameters[id.seqLength]->syncPhase(songPosition.load(std::memory_order_relaxed));
    if (phase >= 0.0) sequencer.setPosition(phase);
    filterPattern.store(firstActivePattern(id.seqPatFiltOn), std::memory_order_relaxed);
    panPattern.store(firstActivePattern(id.seqPatPanOn), std::memory_order_relaxed);
    gatePattern.store(firstActivePattern(id.seqPatTGateOn), std::memory_order_relaxed);
}

void Orvane::updatePanLink() noexcept
{
    KsParameter& position = *parameters[id.panPosition];
    if (isOn(id.panOn) && selectorOf(id.panSource) == 0) {
        position.setModulation(&panLfo);
        updateOscillatorRate(panLfo, id.panRate, id.panRateSync);
    } else {
        position.setModulation(nullptr);
    }
}

void Orvane::updateCutoffLink() noexcept
{
    KsParameter& cutoff = *parameters[id.mmFilterCutoff];
    if (isOn(id.cutoffModOn) && selectorOf(id.cutoffModSource) == 0) {
        cutoff.setModulation(&cutoffLfo);
        updateOscillatorRate(cutoffLfo, id.cutoffModRate, id.cutoffModRateSync);
    } else {
        cutoff.setModulation(nullptr);
    }
}

void Orvane::updateDelayRates() noexcept
{
    const float t = tempo.load(std::memory_order_relaxed);
    delayLeftRate.store(parameters[id.delayLRate]->rateHz(t), std::memory_order_relaxed);
    delayRightRate.store(parameters[id.delayRRate]->rateHz(t), std::memory_order_relaxed);
}

void Orvane::pushStepParameters(int firstIndex)
{
    // The step editor writes the step parameters directly; re-writing them through the shell's
    // automated write makes the sequencer's copies follow and tells the host. Without an editor
    // there is nothing to carry on.
    if (editor == nullptr || automation == nullptr) return;
    for (int s = 0; s < kStepCount; ++s)
        automation->setParameterAutomated(firstIndex + s, parameters[firstIndex + s]->getValue());
}

void Orvane::modulationChanged(int index, float value)
{
    const ParamIds& p = id;

    // Step volumes and ties: 33 parameters per pattern from index 51 (chain, 16 volumes, 16 ties).
    if (index >= chainIndex(0) && index < chainIndex(kPatternCount)) {
        const int pattern = (index - chainIndex(0)) / 33;
        const int offset = (index - chainIndex(0)) % 33;
        if (offset >= 1 && offset <= kStepCount)
            sequencer.setStepVolume(pattern, offset - 1, value);
        else if (offset > kStepCount)
            sequencer.setTie(pattern, offset - 1 - kStepCount, value > 0.5f);
        return;
    }
    if (index >= gateChainIndex(0) && index < gateChainIndex(kPatternCount)) {
        gatePattern.store(firstActivePattern(p.seqPatTGateOn), std::memory_order_relaxed);
        return;
    }
    if ((index >= filterChainIndex(0) && index < filterChainIndex(kPatternCount)) || index == p.cutoffModOn ||
        index == p.cutoffModSource) {
        filterPattern.store(firstActivePattern(p.seqPatFiltOn), std::memory_order_relaxed);
        updateCutoffLink();
        return;
    }
    if ((index >= panChainIndex(0) && index < panChainIndex(kPatternCount)) || index == p.panOn ||
        index == p.panSource) {
        panPattern.store(firstActivePattern(p.seqPatPanOn), std::memory_order_relaxed);
        updatePanLink();
        return;
    }

    if (index == p.panShape)
        panLfo.setShape(selectorOf(index));
    else if (index == p.cutoffModShape)
        cutoffLfo.setShape(selectorOf(index));
    else if (index == p.panDepth)
        panLfo.setDepth(value);
    else if (index == p.cutoffModDepth)
        cutoffLfo.setDepth(value);
    else if (index == p.panRate || index == p.panRateSync)
        updateOscillatorRate(panLfo, p.panRate, p.panRateSync);
    else if (index == p.cutoffModRate || index == p.cutoffModRateSync)
        updateOscillatorRate(cutoffLfo, p.cutoffModRate, p.cutoffModRateSync);
    else if (index == p.seqAttack)
        sequencer.setAttack(value);
    else if (index == p.seqSustain)
        sequencer.setSustain(value);
    else if (index == p.seqDecay)
        sequencer.setDecay(value);
    else if (index == p.seqShuffle)
        sequencer.setShuffle(value);
    else if (index == p.seqLength)
        updateSequencerRate();
    else if (index == p.stepSeqVol || index == p.stepSeqTie) {
        const int c = std::clamp(selectorOf(p.currentPattern), 0, kPatternCount - 1);
        pushStepParameters(index == p.stepSeqVol ? stepVolumeIndex(c, 0) : stepTieIndex(c, 0));
    } else if (index == p.delayRateSync) {
        parameters[p.delayLRate]->setSynced(value > 0.5f);
        parameters[p.delayRRate]->setSynced(value > 0.5f);
        updateDelayRates();
    } else if (index == p.delayLRate || index == p.delayRRate)
        updateDelayRates();
}

void Orvane::refreshMorph(int index)
{
    const int x = selectorOf(id.morphXParam);
    const int y = selectorOf(id.morphYParam);
    if (x >= morphTargetCount || y >= morphTargetCount) return;
    if (index == morphTargetIndex[x] || index == morphTargetIndex[y]) toggleMorphSquare();
}

void Orvane::toggleMorphSquare()
{
    setParameter(id.morphSquare, parameters[id.morphSquare]->getValue() == 0.0f ? 1.0f : 0.0f);
}

float Orvane::sequencerCutoff(float cutoff, const SubBlock& b, const Sections& s) noexcept
{
    if (!isOn(id.cutoffModOn) || !s.filterBySequencer) return cutoff;
    // The depth is taken before its ramp moves on by this sub-block.
    KsParameter& depth = *parameters[id.cutoffModDepth];
    const float d = depth.current();
    depth.advance(b.n);
    return std::clamp(cutoff + (b.filterEnd - 0.5f) * d, 0.0f, 1.0f);
}

int Orvane::pickMorphTarget() const
{
    const ParamIds& p = id;
    int c = p.mmFilterCutoff;
    auto choose = [&c](float range, std::initializer_list<int> targets) {
        const int k = static_cast<int>(randomUniform(0.0f, range));
        if (k >= 0 && k < static_cast<int>(targets.size())) c = targets.begin()[k];
    };
    if (isOn(p.flangerOn) && randomChance(0.4f))
        choose(3.0f, {p.flangerMix, p.flangerRate, p.flangerFeedback});
    else if (isOn(p.delayOn) && randomChance(0.4f))
        choose(3.0f, {p.delayMix, p.delayFeedback, p.delayCutoff});
    else if ((isOn(p.tranceGateOn) || selectorOf(p.cutoffModSource) == 1) && randomChance(0.4f))
        choose(4.0f, {p.seqAttack, p.seqSustain, p.seqDecay, p.seqShuffle});
    else if (isOn(p.cutoffModOn) && randomChance(0.2f))
        c = p.cutoffModDepth;
    else
        choose(3.0f, {p.mmFilterMix, p.mmFilterRes, p.mmFilterCutoff});
    for (int s = 0; s < morphTargetCount; ++s)
        if (morphTargetIndex[s] == c) return s;
    return 1;
}

void Orvane::randomize()
{
    const ParamIds& p = id;
    auto set = [this](int index, float v) { setParameter(index, v); };

    if (isOn(p.panOn)) {
        set(p.panSource, selectorValue(randomInteger(0, 1)));
        set(p.panShape, selectorValue(randomInteger(0, 9)));
        set(p.panDepth, randomNormal(0.7f, 0.4f, 0.0f, 1.0f));
        set(p.panRate, randomNormal(0.6f, 0.4f, 0.0f, 1.0f));
    }
    if (isOn(p.mmFilterOn)) {
        set(p.mmFilterMix, randomNormal(1.0f, 0.5f, 0.0f, 1.0f));
        set(p.mmFilterType, selectorValue(randomInteger(0, 32)));
        set(p.mmFilterCutoff, randomUniform(0.0f, 1.0f));
        set(p.mmFilterRes, randomUniform(0.0f, 1.0f));
    }
    if (isOn(p.cutoffModOn)) {
        set(p.cutoffModSource, selectorValue(randomInteger(0, 1)));
        set(p.cutoffModShape, selectorValue(randomInteger(0, 9)));
        set(p.cutoffModDepth, randomUniform(0.0f, 1.0f));
        set(p.cutoffModRate, randomUniform(0.0f, 1.0f));
    }
    if (isOn(p.distOn)) {
        set(p.distXcita, randomUniform(0.0f, 1.0f));
        set(p.distSoftSat, randomNormal(0.0f, 0.5f, 0.0f, 1.0f));
    }
    if (isOn(p.flangerOn)) {
        set(p.flangerMix, randomNormal(0.5f, 0.4f, 0.1f, 1.0f));
        for (int index : {p.flangerRate, p.flangerDelay, p.flangerDepth, p.flangerFeedback})
            set(index, randomUniform(0.0f, 1.0f));
    }
    if (isOn(p.delayOn)) {
        set(p.delayMix, randomNormal(0.5f, 0.4f, 0.1f, 1.0f));
        set(p.delayFeedback, randomNormal(0.3f, 0.1f, 0.0f, 1.0f));
        set(p.delayLRate, randomNormal(0.8f, 0.3f, 0.0f, 1.0f));
        set(p.delayRRate, randomNormal(0.8f, 0.3f, 0.0f, 1.0f));
        set(p.delayCutoff, randomUniform(0.0f, 1.0f));
    }
    if (isOn(p.reverbOn)) {
        set(p.reverbMix, randomNormal(0.25f, 0.4f, 0.1f, 1.0f));
        set(p.reverbSize, randomUniform(0.0f, 1.0f));
    }

    const bool gate = isOn(p.tranceGateOn);
    const bool seqPan = isOn(p.panOn) && selectorOf(p.panSource) == 1;
    const bool seqFilter = isOn(p.mmFilterOn) && isOn(p.cutoffModOn) && selectorOf(p.cutoffModSource) == 1;
    if (gate || seqPan || seqFilter) {
        for (int index : {p.seqAttack, p.seqSustain, p.seqDecay, p.seqShuffle})
            set(index, randomUniform(0.0f, 1.0f));
        set(p.seqLength, 0.73f); // "1/1"
        if (gate) {
            // Gate patterns: a repeated group of four on/off steps with at least one sounding
            // step, then a few single flips for variety.
            for (int pattern = 0; pattern < kPatternCount; ++pattern) {
                int level[4], tied[4];
                level[0] = randomChance(0.7f);
                level[1] = randomChance(0.5f);
                level[2] = randomChance(0.7f);
                level[3] = randomChance(0.5f);
                for (int& t : tied)
                    t = randomChance(0.2f);
                if (level[0] + level[1] + level[2] + level[3] == 0) level[0] = 1;
                for (int s = 0; s < kStepCount; ++s) {
                    set(stepVolumeIndex(pattern, s), static_cast<float>(level[s % 4]));
                    set(stepTieIndex(pattern, s), static_cast<float>(tied[s % 4]));
                }
                const int flips = static_cast<int>(randomUniform(0.0f, 1.0f) * 4.0f);
                for (int i = 0; i < flips; ++i) {
                    const int s = std::min(static_cast<int>(randomUniform(0.0f, 1.0f) * 16.0f), 15);
                    const int index =
                        randomChance(0.5f) ? stepTieIndex(pattern, s) : stepVolumeIndex(pattern, s);
                    // Written without hooks: the sequencer's copy follows when the caller writes
                    // every program parameter again.
                    KsParameter& step = *parameters[index];
                    step.setValue(step.getValue() > 0.5f ? 0.0f : 1.0f);
                }
            }
        } else {
            for (int pattern = 0; pattern < kPatternCount; ++pattern)
                for (int s = 0; s < kStepCount; ++s) {
                    set(stepVolumeIndex(pattern, s), randomUniform(0.0f, 1.0f));
                    set(stepTieIndex(pattern, s), static_cast<float>(randomChance(0.7f)));
                }
        }
    }

    const int x = pickMorphTarget();
    int y = pickMorphTarget();
    for (int attempt = 1; attempt < 50 && y == x; ++attempt)
        y = pickMorphTarget();
    set(p.morphXParam, selectorValue(x));
    set(p.morphYParam, selectorValue(y));
}
