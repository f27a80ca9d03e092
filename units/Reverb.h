#pragma once

#include "units/BiquadFilter.h"

#include <memory>

// Reverb: per channel eight damped feedback combs in parallel, fed with the mono sum
// of the input, followed by four all-passes in series; each wet channel then passes a
// 400 Hz high-pass and a 3000 Hz low-pass, and the right one a size-dependent trim.
//
// setSampleRate is the only operation that allocates (the 24 lines); reset and the
// setters never do. process is realtime-safe and leaves the audio unchanged until a
// sample rate has been set.

// One damped feedback comb; its line belongs to the Reverb.
struct CombFilter {
    float feedback = 0.0f;
    float store = 0.0f; // one-pole damping state
    float damp1 = 0.0f;
    float damp2 = 0.0f; // 1 - damp1
    float* line = nullptr;
    int size = 0;
    int index = 0;

    // One step with input u: returns the line's output.
    float process(float u) noexcept
    {
        const float y = line[index];
        store = y * damp2 + store * damp1;
        line[index] = u + store * feedback;
        if (++index >= size) index = 0;
        return y;
    }
};

// One all-pass section; its line belongs to the Reverb.
struct AllpassFilter {
    float feedback = 0.5f;
    float* line = nullptr;
    int size = 0;
    int index = 0;

    // One step with input u.
    float process(float u) noexcept
    {
        const float b = line[index];
        line[index] = u + b * feedback;
        if (++index >= size) index = 0;
        return b - u;
    }
};

class Reverb
{
  public:
    static constexpr int numCombs = 8;     // per channel
    static constexpr int numAllpasses = 4; // per channel
    static constexpr int numLines = 2 * (numCombs + numAllpasses);
    // Line tunings at 44100 Hz: left comb k, right comb k, ..., then left all-pass k,
    // right all-pass k, ...; every right tuning is its left partner plus 23.
    static constexpr int tunings[numLines] = {1116, 1139, 1188, 1211, 1277, 1300, 1356, 1379,
                                              1422, 1445, 1491, 1514, 1557, 1580, 1617, 1640,
                                              556,  579,  441,  464,  341,  364,  225,  248};

    Reverb();
    Reverb(const Reverb&) = delete;
    Reverb& operator=(const Reverb&) = delete;

    // Size and allocate the 24 lines for `sr`, design the wet filters and reset.
    void setSampleRate(float sr);
    // Zero every line, comb state and index, and the low-pass histories (and any high-pass
    // history that is no longer finite).
    void reset() noexcept;
    // reset, and the high-pass histories too: nothing of past audio is left.
    void clear() noexcept;
    // Push the derived gains and the comb feedback and damping to the combs.
    void updateGains() noexcept;
    // Room size 0..1: comb feedback 0.7..0.98 and the right channel's trim.
    void setRoomSize(float v) noexcept;
    // Damping 0..1 (stored as v x 0.4).
    void setDamp(float v) noexcept;
    // Wet level (stored as v x 3).
    void setWet(float v) noexcept;
    // Dry level (stored as v x 2).
    void setDry(float v) noexcept;
    // One block in place.
    void process(float* left, float* right, int frames) noexcept;
    // One frame of the chain in place, step by step as the equations read: the plain form of
    // process, which gives the same results. process runs blocks in chunks; a chunk of up to
    // shortFrames frames moves the comb and all-pass line samples with one or two whole vectors
    // per line instead of per-sample stretches (whose set-up would cost more than the work).
    void processFrame(float& left, float& right) noexcept;
    static constexpr int shortFrames = 16;

    // Line length in samples of a tuning at `sr`.
    static int lineSize(float sr, int tuning) noexcept;

    float gain = 0.015f;
    float roomSize = 0.84f;
    float feedbackInUse = 0.84f;
    float damp = 0.2f;
    float dampInUse = 0.2f;
    float wet = 0.0f;
    float wet1 = 0.0f, wet2 = 0.0f;
    float dry = 1.0f;
    float width = 1.0f;
    float sizeTrim = 1.0f;
    float sampleRate = 0.0f;

    CombFilter combL[numCombs], combR[numCombs];
    AllpassFilter allpassL[numAllpasses], allpassR[numAllpasses];
    BiquadFilter lowPassL, lowPassR, highPassL, highPassR;

  private:
    void clearDenormalLines() noexcept;
    // The fewest frames any comb or all-pass line can move on before its index wraps.
    int roomBeforeWrap() const noexcept;

    std::unique_ptr<float[]> storage; // all 24 lines, one after the other
    int storageSize = 0;
    int shortestComb = 0;                     // the shortest comb line, in samples
    static constexpr int probeInterval = 64;  // frames between denormal probes, at least
    int framesSinceProbe = probeInterval;     // the first block always probes
    CombFilter* combOrder[2 * numCombs] = {}; // the left combs, then the right ones
    int lineRoom = 0;                         // roomBeforeWrap as last known; 0 or less: unknown
};
