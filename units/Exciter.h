#pragma once

#include "units/BiquadFilter.h"
#include "units/PeakFollower.h"

// Exciter: high-band enhancer. Each channel is high-passed at 7000 Hz, the high band is
// scaled by a gain that follows the band's envelope, added back to the input and
// clipped to +-0.999; the result is blended with the dry input by `amount`.
//
// setSampleRate and reset may be called only while process is not running; process is
// realtime-safe (no allocation, no locks). Until a sample rate has been set, process
// leaves the audio unchanged.

class Exciter
{
  public:
    Exciter();

    // Store the sample rate, pass it to the follower and reset.
    void setSampleRate(float sr) noexcept;
    // Clear the follower and filter histories and design the high-passes for the rate.
    void reset() noexcept;
    // Process one block in place; `amt` (0..1) is the wet share of the enhanced signal.
    void process(float* left, float* right, int frames, float amt) noexcept;

    float amount = 0.0f;     // last block's amount
    float sampleRate = 0.0f; // Hz, 0 until set
    BiquadFilter highPassL, highPassR;
    PeakFollower follower; // shared by both channels
};
