#pragma once
// KsFilterComb: the "CombP" type, a feedback comb tuned so that its first resonance sits
// at the cutoff frequency, followed by a DC blocker. The output is the delayed signal only;
// the direct signal comes back through the multimode unit's mix.
//
// A cutoff change does not jump: the read tap crossfades to the new delay over 10 ms, and
// changes that arrive during a crossfade are gathered into one further crossfade to the
// latest delay once it ends.
//
// Allocation: the one-second line is allocated by allocate(), outside the audio path (the
// multimode unit calls it when the host sample rate is set). setSampleRate only picks the
// line length for the rate and clears the line; it never allocates.

#include "filters/KsFilter.h"
#include "filters/KsFilterBiquad.h"

#include <memory>

// The delay line and DC blocker shared by both comb types.
class CombDelayLine
{
  public:
    // Makes room for one second at the given rate (keeps a large enough buffer). Allocates.
    void allocate(float maxSampleRate);
    // Stores the rate, sets the length (limited to the allocated room), the 10 ms fade step
    // and the DC blocker for the rate, then clears the line and the blocker.
    void setSampleRate(float sr) noexcept;
    // Requests a delay in seconds; a new value starts (or queues) a crossfade.
    void setDelayTime(float seconds) noexcept;
    // Read tap, new read tap and write position back to the start, write ahead by the
    // delay, buffer zeroed.
    void clear() noexcept;
    // Runs the comb and then the DC blocker over a buffer in place.
    void process(float* buffer, int frames) noexcept;
    // This line on the left buffer and another on the right one. When both lines stand at
    // the same positions (as a stereo pair that got the same settings does) the taps are
    // moved once for both; the result equals process on each.
    void processPair(CombDelayLine& other, float* left, float* right, int frames) noexcept;
    // Whether another line's positions, crossfade and settings other than the feedback
    // equal this one's.
    bool inStepWith(const CombDelayLine& other) const noexcept;
    // Delay in whole samples for the requested time, limited to the line.
    int delaySamples() const noexcept;

  private:
    // The comb over one or two channels whose lines stand at this line's positions (all
    // lines are left at the same positions afterwards).
    template <int channels> void runLines(CombDelayLine* const* lines, float* const* io, int frames) noexcept;

  public:
    std::unique_ptr<float[]> buffer;
    int capacity = 0; // allocated samples
    int length = 0;   // samples in use: one second at sampleRate
    float sampleRate = 0.f;
    float delayTime = 0.f;
    float feedback = 0.f;
    float fadeStep = 0.f;
    float fade = 0.f;
    int readIndex = 0, newReadIndex = 0, writeIndex = 0;
    bool changing = false, pending = false, crossfading = false;

    // DC blocker: y[i] = x[i] - x[i-1] + pole * y[i-1].
    float pole = 0.9992876f;
    float dcX1 = 0.f, dcY1 = 0.f;
};

// Delay of one period of the note's frequency, in seconds.
float combPeriodOfNote(float note) noexcept;

// The operations both comb types share; they differ only in the sign of the feedback.
template <class Derived, int32_t typeClass, int feedbackSign> class KsFilterCombType : public KsFilter
{
  public:
    KsFilterCombType() noexcept { classId = typeClass; }

    // Allocates the one-second line for the rate; call outside the audio path.
    void allocate(float maxSampleRate) { line.allocate(maxSampleRate); }

    void reset() noexcept override {}
    // Stores the rate and clears the line and the DC blocker; no allocation.
    void setSampleRate(float hz) noexcept override
    {
        sampleRate = hz;
        line.setSampleRate(hz);
    }
    // Delay of one cutoff period.
    void setCutoff(float note) noexcept override { line.setDelayTime(combPeriodOfNote(note)); }
    // Feedback = r x +-0.99.
    void setResonance(float r) noexcept override { line.feedback = r * (feedbackSign * 0.99f); }
    void process(float* buffer, int frames) noexcept override { line.process(buffer, frames); }
    // Both channels in one pass when the partner is of the same class; the same result.
    void processStereo(float* left, float* right, int frames, KsFilter& partner) noexcept override
    {
        if (!isExactly<Derived>(partner)) {
            KsFilter::processStereo(left, right, frames, partner);
            return;
        }
        line.processPair(static_cast<Derived&>(partner).line, left, right, frames);
    }

    CombDelayLine line;
};

class KsFilterComb final : public KsFilterCombType<KsFilterComb, 5, 1>
{
};
