#pragma once

#include "units/SineTable.h"

#include <memory>

// Flanger: the mono sum of both channels feeds one short circular line; two taps swept
// by a sine LFO read it back, the right tap a quarter period ahead of the left. Each
// channel blends its dry input with its own tap, and the sum of both taps is fed back.
//
// setSampleRate is the only operation that allocates (the 35 ms line); reset and the
// setters never do. process is realtime-safe and leaves the audio unchanged until a
// sample rate has been set.

class Flanger
{
  public:
    Flanger();
    Flanger(const Flanger&) = delete;
    Flanger& operator=(const Flanger&) = delete;

    // Store the rate, allocate a 35 ms line and reset.
    void setSampleRate(float sr);
    // Zero the line, restart the LFO and re-derive the line length and indices.
    void reset() noexcept;
    // New minimum delay in seconds; re-derives the length if it changed.
    void setBaseDelay(float seconds) noexcept;
    // New sweep depth in seconds; re-derives the length if it changed.
    void setDepth(float seconds) noexcept;
    // Re-derive length, readBase and writeIndex, keeping the line contents.
    void updateLength() noexcept;
    // One block in place: mix 0..1 (wet = mix / 2), LFO rate in Hz, feedback 0..0.95.
    void process(float* left, float* right, int frames, float mix, float rateHz, float fb) noexcept;

    float baseDelay = 0.0012f; // seconds
    float depth = 0.0043f;     // seconds
    float rate = 2.0f;         // Hz
    float stereoOffset = 1.0f; // right tap's lead in quarter LFO periods
    float feedback = 0.0f;
    float wet = 0.5f;
    std::unique_ptr<float[]> buffer;
    int capacity = 0; // allocated samples
    int length = 1;   // used length of the circular line
    int writeIndex = 0;
    int readBase = 0; // index from which tap offsets are subtracted
    float sampleRate = 0.0f;
    float phase = 0.0f; // LFO phase in table steps, 0 <= phase < 200

  private:
    void processChunk(float* left, float* right, int frames) noexcept;
    int depthSamples() const noexcept;
    int lengthFor() const noexcept;

    SineTable::Reference table;
};
