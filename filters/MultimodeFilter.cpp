#include "filters/MultimodeFilter.h"

#include "units/LoopTargets.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
constexpr float semitonesPerLn2 = 17.312340490667562f; // 12 / ln 2

// Limits to lo..hi; a value that is not a number becomes lo.
float limited(float v, float lo, float hi) noexcept
{
    return v >= lo ? (v <= hi ? v : hi) : lo;
}

} // namespace

MultimodeFilter::MultimodeFilter()
{
    limiterFollower.setAttackTime(0.0075f);
    limiterFollower.setReleaseTime(0.05f);
    envFollower.setAttackTime(0.f);
    envFollower.setReleaseTime(0.f);
    // Any pair, so that the pointers are never empty; the first block sets the real one up.
    left = &biquadL;
    right = &biquadR;
    setSampleRate(44100.f);
}

float MultimodeFilter::maxNoteFor(float sr) noexcept
{
    const float note = semitonesPerLn2 * std::log(sr * 0.5f / 440.f) + 69.f;
    return (note > 0.f ? note : 0.f) - 0.01f;
}

void MultimodeFilter::setSampleRate(float sr)
{
    if (!(sr > 0.f)) return;
    sampleRate = sr;
    limiterFollower.setSampleRate(sr);
    envFollower.setSampleRate(sr);
    reset();
    maxNote = maxNoteFor(sr);

    // The comb lines are sized here, for every rate a type set-up may ask of them, so that
    // a type change on the audio path only clears them.
    float combRate = sr;
    for (const FilterTypeInfo& row : filterTypes)
        if (row.filterClass == filterClassComb || row.filterClass == filterClassCombNeg)
            combRate = std::max(combRate, sr * static_cast<float>(row.oversampling));
    combL.allocate(combRate);
    combR.allocate(combRate);
    combNegL.allocate(combRate);
    combNegR.allocate(combRate);
}

void MultimodeFilter::reset() noexcept
{
    limiterGain = 1.f;
    limiterStep = 0.f;
    limiterFollower.clear();
    envFollower.clear();
    currentType = -1;
    lastCutoff = lastResonance = lastEnvAmount = lastMix = lastAttack = lastRelease = lastUnused = -1.f;
    for (AnalogFilter* f :
         std::initializer_list<AnalogFilter*>{&moogL, &moogR, &ms20L, &ms20R, &otaL, &otaR, &svfL, &svfR})
        f->restartNoise();
}

float MultimodeFilter::hzToNote(float hz) noexcept
{
    const float note = semitonesPerLn2 * std::log(hz / 440.f) + 69.f;
    return note > 0.f ? note : 0.f;
}

float MultimodeFilter::cutoffToHz(float cutoff) const noexcept
{
    const float e = lastEnvAmount;
    const float c = (1.f - e) * cutoff + e * envFollower.value * cutoff;
    if (c >= 1.f) return 16000.f;
    if (!(c > 0.f)) return 80.f;
    float t = -0.25f * std::log10(1.f - c);
    if (t > 1.f) t = 1.f;
    if (t < 1e-7f) t = 0.f;
    return 80.f + 15920.f * t;
}

float MultimodeFilter::softClip(float x, float knee, float ceiling) noexcept
{
    if (x > knee) {
        const float u = (x - knee) / (ceiling - knee);
        const float y = (1.f - u) * 0.707107f;
        return (0.5f - y * y) * 2.f * (1.f - knee) + knee;
    }
    if (x < -knee) {
        const float u = (-x - knee) / (ceiling - knee);
        const float y = (1.f - u) * 0.707107f;
        return -((0.5f - y * y) * 2.f * (1.f - knee) + knee);
    }
    return x;
}

void MultimodeFilter::softClipBuffer(float* buffer, int frames, float knee, float ceiling) noexcept
{
    // softClip on the magnitude, negated for negative input, which is what its two
    // branches compute; written without branches so that the loop vectorises (the signal crosses
    // the knee too irregularly for a branch to be predicted).
    const float span = ceiling - knee, scale = 2.f * (1.f - knee);
    for (int i = 0; i < frames; ++i) {
        const float x = buffer[i];
        const float a = std::fabs(x);
        const float u = (a - knee) / span;
        const float y = (1.f - u) * 0.707107f;
        const float bent = (0.5f - y * y) * scale + knee; // may fall below 0 beyond the ceiling
        buffer[i] = a > knee ? (x < 0.f ? -bent : bent) : x;
    }
}

void MultimodeFilter::pairFor(const FilterTypeInfo& row, KsFilter*& l, KsFilter*& r) noexcept
{
    switch (row.filterClass) {
    case filterClassBiquad:
        if (row.mode == KsFilterBiquad::peaking) {
            l = &peakingL;
            r = &peakingR;
        } else {
            l = &biquadL;
            r = &biquadR;
        }
        break;
    case filterClassBiquadBP:
        l = &biquadBPL, r = &biquadBPR;
        break;
    case filterClassBiquadLPFat:
        l = &biquadLPFatL, r = &biquadLPFatR;
        break;
    case filterClassBiquadBPFat:
        l = &biquadBPFatL, r = &biquadBPFatR;
        break;
    case filterClassBiquadFat:
        l = &biquadFatL, r = &biquadFatR;
        break;
    case filterClassComb:
        l = &combL, r = &combR;
        break;
    case filterClassCombNeg:
        l = &combNegL, r = &combNegR;
        break;
    case filterClassRingMod:
        l = &ringModL, r = &ringModR;
        break;
    case filterClassSVF:
        l = &svfL, r = &svfR;
        break;
    case filterClassMS20:
        l = &ms20L, r = &ms20R;
        break;
    case filterClassOTA:
        l = &otaL, r = &otaR;
        break;
    case filterClassMoog:
        l = &moogL, r = &moogR;
        break;
    case filterClassTube:
        l = &tubeL, r = &tubeR;
        break;
    case filterClassMech:
        l = &mechL, r = &mechR;
        break;
    case filterClassBitRed:
        l = &bitRedL, r = &bitRedR;
        break;
    default:
        break;
    }
}

void MultimodeFilter::setType(int32_t type, float note, float resonance, float drive) noexcept
{
    if (type < 0 || type >= filterTypeCount) return;
    const FilterTypeInfo& row = filterTypes[type];
    currentType = type;
    pairFor(row, left, right);
    if (left == &biquadBPL) {
        pairLeft = &biquadBPL.inner, pairRight = &biquadBPR.inner;
    } else if (left == &biquadBPFatL) {
        pairLeft = &biquadBPFatL.inner, pairRight = &biquadBPFatR.inner;
    } else {
        pairLeft = pairRight = nullptr;
    }
    const bool analog = row.filterClass >= filterClassSVF && row.filterClass <= filterClassMoog;
    analogLeft = analog ? static_cast<AnalogFilter*>(left) : nullptr;
    analogRight = analog ? static_cast<AnalogFilter*>(right) : nullptr;
    oversampling = row.oversampling;
    outputStage = row.outputStage;

    const float rate = sampleRate * static_cast<float>(oversampling);
    limiterFollower.clear();
    envFollower.clear();
    envFollower.setSampleRate(rate);
    limiterGain = 1.f;
    limiterStep = 0.f;

    left->setSampleRate(rate);
    right->setSampleRate(rate);
    left->setMode(row.mode);
    right->setMode(row.mode);
    left->setCutoff(note);
    right->setCutoff(note);
    left->setResonance(resonance);
    right->setResonance(resonance);
    left->setDrive(drive);
    right->setDrive(drive);
    left->reset();
    right->reset();
}

void MultimodeFilter::runFilters(float* l, float* r, int frames, bool ramping, float cutoffStep) noexcept
{
    // The envelope only moves while it has an attack or is still falling; otherwise
    // feeding it would leave it at 0, so the loop is skipped.
    const bool follow = envFollower.attackStep != 0.f || envFollower.value != 0.f;
    if (ramping && pairLeft && !follow) {
        // Without the envelope every chunk's note is known before any filtering, so the notes
        // come first (their chains overlap one another); then each chunk is filtered and
        // the pairs retuned in one call, which designs the sections for the next chunk while
        // this one is filtered. The same results as the loop below.
        float notes[2 * maxFrames / chunkFrames];
        float cutoff = lastCutoff;
        for (int start = 0, k = 0; start < frames; start += chunkFrames, ++k) {
            cutoff += static_cast<float>(std::min(chunkFrames, frames - start)) * cutoffStep;
            notes[k] = noteOf(cutoff);
        }
        for (int start = 0, k = 0; start < frames; start += chunkFrames, ++k)
            pairLeft->processStereoThenSetCutoff(l + start, r + start, std::min(chunkFrames, frames - start),
                                                 *pairRight, notes[k]);
        lastCutoff = cutoff;
        return;
    }
    if (!ramping && !follow && analogLeft && !analogLeft->isDirty() && !analogRight->isDirty()) {
        // Nothing changes from chunk to chunk: an analog model then runs with constant
        // coefficients, so one call over the whole block gives what the chunks would, without
        // their calls' set-up.
        left->processStereo(l, r, frames, *right);
        return;
    }
    for (int start = 0; start < frames; start += chunkFrames) {
        const int n = std::min(chunkFrames, frames - start);
        float* cl = l + start;
        float* cr = r + start;
        if (follow)
            for (int i = 0; i < n; ++i)
                envFollower.process((cl[i] + cr[i]) * 0.5f * 0.5f);
        // The next chunk's note depends on the ramp and the envelope only, not on the
        // filtering, so it is worked out first: its logarithms then overlap the filter loop
        // instead of waiting for it.
        float nextCutoff = lastCutoff, note = 0.f;
        if (ramping) {
            nextCutoff += static_cast<float>(n) * cutoffStep;
            note = noteOf(nextCutoff);
        }
        left->processStereo(cl, cr, n, *right);
        if (ramping) {
            lastCutoff = nextCutoff;
            left->setCutoff(note);
            right->setCutoff(note);
        }
    }
}

void MultimodeFilter::limit(float* l, float* r, int frames) noexcept
{
    // The follower step of PeakFollower for a non-negative input: the envelope falls by
    // the release step and rises towards s by at most the attack step. While it falls
    // (s at or below it, the usual case) the rise is skipped rather than added as 0, which
    // leaves one subtraction on the chain from one frame to the next; the results are the
    // same, since adding 0 changes nothing here (the envelope is never -0).
    //
    // Up to 64 frames at a time: the peaks first (a loop that vectorises), then the
    // envelope alone, and the gain only when the envelope went above 1 or the gain is still
    // recovering, which leaves the envelope's loop nothing else to do in the usual case.
    const float attack = limiterFollower.attackStep, release = limiterFollower.releaseStep;
    const float recoverySamples = sampleRate * 7.5f;
    float env = limiterFollower.value;
    float gain = limiterGain, step = limiterStep;
    float peaks[maxFrames], envs[maxFrames];
    for (int start = 0; start < frames; start += maxFrames) {
        const int n = std::min(maxFrames, frames - start);
        float* const cl = l + start;
        float* const cr = r + start;
        // A sample that is not a number leaves the envelope alone: as a peak it would turn the
        // envelope into NaN for good, and the limiter would never act again.
        for (int i = 0; i < n; ++i) {
            const float peak = std::max(std::fabs(cl[i]), std::fabs(cr[i]));
            peaks[i] = peak == peak ? peak : 0.f;
        }
        bool over = false;
        for (int i = 0; i < n; ++i) {
            float e = env - release;
            const float d = peaks[i] - e;
            if (!(d <= 0.f)) e += std::min(d, attack);
            env = e < 0.f ? 0.f : e;
            envs[i] = env;
            over |= env > 1.f;
        }
        if (!over && !(gain < 1.f)) continue;
        for (int i = 0; i < n; ++i) {
            if (envs[i] > 1.f) {
                const float g = 1.f / envs[i];
                if (g < gain) {
                    gain = g;
                    step = (1.f - g) / recoverySamples;
                }
            }
            if (gain < 1.f) {
                cl[i] *= gain;
                cr[i] *= gain;
                gain += step;
            }
        }
    }
    limiterFollower.value = env;
    limiterGain = gain;
    limiterStep = step;
}

ORVANE_UNIT_LOOP
void MultimodeFilter::process(int32_t type, float cutoff, float resonance, float envAmount, float mix,
                              float envAttack, float envRelease, float* leftBuffer, float* rightBuffer,
                              int frames) noexcept
{
    if (frames <= 0 || !leftBuffer || !rightBuffer) return;
    if (type < 0 || type >= filterTypeCount) return;
    frames = std::min(frames, maxFrames);
    cutoff = limited(cutoff, 0.f, 1.f);
    resonance = limited(resonance, 0.f, 1.f);
    envAmount = limited(envAmount, 0.f, 1.f);
    mix = limited(mix, 0.f, 1.f);
    envAttack = limited(envAttack, 0.f, 1e6f);
    envRelease = limited(envRelease, 0.f, 1e6f);

    const bool typeChanged = type != currentType;
    // After a rate change there is no previous mix to glide from: start at the new one.
    if (lastMix < 0.f) lastMix = mix;
    const float mixStep = (mix - lastMix) / static_cast<float>(frames);

    if (envAttack != lastAttack) {
        lastAttack = envAttack;
        envFollower.setAttackTime(envAttack);
    }
    if (envRelease != lastRelease) {
        lastRelease = envRelease;
        envFollower.setReleaseTime(envRelease);
    }

    // The dry signal is kept unless the block is fully wet, which never reads it.
    const bool fullyWet = mixStep == 0.f && lastMix == 1.f;
    float dryL[maxFrames], dryR[maxFrames];
    if (!fullyWet) {
        std::memcpy(dryL, leftBuffer, sizeof(float) * static_cast<size_t>(frames));
        std::memcpy(dryR, rightBuffer, sizeof(float) * static_cast<size_t>(frames));
    }

    bool ramping = false;
    float cutoffStep = 0.f;
    if (cutoff != lastCutoff || typeChanged) {
        // The note of the new cutoff is only needed by a type set-up; the ramp starts from
        // the last cutoff.
        if (typeChanged) setType(type, std::min(noteOf(cutoff), maxNote), lastResonance, 1.f);
        ramping = true;
        cutoffStep = (cutoff - lastCutoff) / static_cast<float>(frames * oversampling);
    }

    if (lastEnvAmount != 0.f || resonance != lastResonance || envAmount != lastEnvAmount) {
        lastEnvAmount = envAmount;
        lastResonance = resonance;
        const float note = noteOf(lastCutoff);
        left->setResonance(resonance);
        right->setResonance(resonance);
        left->setCutoff(note);
        right->setCutoff(note);
    }

    if (oversampling == 2) {
        // Sample-and-hold up, filter at twice the rate, average each pair down.
        for (int i = 0; i < frames; ++i) {
            upLeft[2 * i] = upLeft[2 * i + 1] = leftBuffer[i];
            upRight[2 * i] = upRight[2 * i + 1] = rightBuffer[i];
        }
        runFilters(upLeft, upRight, 2 * frames, ramping, cutoffStep);
        for (int i = 0; i < frames; ++i) {
            leftBuffer[i] = (upLeft[2 * i] + upLeft[2 * i + 1]) * 0.5f;
            rightBuffer[i] = (upRight[2 * i] + upRight[2 * i + 1]) * 0.5f;
        }
    } else {
        runFilters(leftBuffer, rightBuffer, frames, ramping, cutoffStep);
    }
    lastCutoff = cutoff;
    lastResonance = resonance;

    if (outputStage == outputStageLimiter) {
        limit(leftBuffer, rightBuffer, frames);
    } else if (outputStage == outputStageSoftClip) {
        const float ceiling = 1.f + 6.f * resonance;
        softClipBuffer(leftBuffer, frames, 0.7f, ceiling);
        softClipBuffer(rightBuffer, frames, 0.7f, ceiling);
    }

    if (fullyWet) {
        // Fully wet: the filtered signal as it is.
    } else if (mixStep == 0.f && lastMix == 0.f) {
        // Fully dry: the input exactly, whatever the filter produced.
        std::memcpy(leftBuffer, dryL, sizeof(float) * static_cast<size_t>(frames));
        std::memcpy(rightBuffer, dryR, sizeof(float) * static_cast<size_t>(frames));
    } else {
        for (int i = 0; i < frames; ++i) {
            const float m = lastMix + static_cast<float>(i) * mixStep;
            leftBuffer[i] = (1.f - m) * dryL[i] + m * leftBuffer[i];
            rightBuffer[i] = (1.f - m) * dryR[i] + m * rightBuffer[i];
        }
    }
    lastMix = mix;
}
