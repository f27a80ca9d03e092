#pragma once

#include "units/BiquadFilter.h"

#include <memory>

// StereoDelay: two independent delay lines, one per channel, each with its own period
// (1 / rate). The dry signal passes at full level and the delayed signal is added on
// top; what circulates is the input plus the attenuated echo, band-limited on every
// pass by a fixed 300 Hz high-pass and a cutoff-controlled low-pass.
//
// setSampleRate is the only operation that allocates (two 24-second lines); reset and
// the setters never do. process is realtime-safe and leaves the audio unchanged until
// a sample rate has been set.

class StereoDelay
{
  public:
    StereoDelay();
    StereoDelay(const StereoDelay&) = delete;
    StereoDelay& operator=(const StereoDelay&) = delete;

    // Store the rate (ignored unless above 0), allocate both lines, design the filters
    // for the new rate and reset.
    void setSampleRate(float sr);
    // Zero both lines, rewind both indices and clear every filter history.
    void reset() noexcept;
    // Echo rate of the left line in Hz (period 1 / rate); 0 selects the whole line.
    void setLeftRate(float hz) noexcept;
    // Echo rate of the right line in Hz.
    void setRightRate(float hz) noexcept;
    // Re-design both low-passes for a "DelayCutoff" value 0..1, only if it changed.
    void setCutoff(float v) noexcept;
    // One block in place: mix 0..1 (echo level mix / 2), feedback 0..1 (x 0.8), cutoff 0..1.
    void process(float* left, float* right, int frames, float mixValue, float feedbackValue,
                 float cutoff) noexcept;

    // Frequency of the low-pass for a cutoff value: 80 Hz at 0 up to 16000 Hz at 0.9999.
    static double cutoffHz(float v) noexcept;
    // Samples in one period at `rate` Hz, limited to 1..capacity (a rate of 0 or less,
    // or a period longer than the line, gives the whole line).
    int lineLength(float rate) const noexcept;

    float sampleRate = 0.0f; // Hz, 0 until set
    float mix = 0.5f;
    float feedback = 0.5f;
    std::unique_ptr<float[]> leftBuffer, rightBuffer;
    int capacity = 0; // samples per line
    int leftIndex = 0, rightIndex = 0;
    float leftRate = 0.0f, rightRate = 0.0f; // Hz
    float lastCutoff = 16000.0f;             // no cutoff value equals it, so the first block designs
    BiquadFilter lowPassL, lowPassR, highPassL, highPassR;

  private:
    // lineLength of each rate, worked out when the rate or the sample rate changes.
    int leftLength = 1, rightLength = 1;

    void designLowPasses() noexcept;
    void processChunk(float* left, float* right, int frames, int lengthL, int lengthR) noexcept;
};
