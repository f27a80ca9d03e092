#pragma once

// SoftSaturator: a drive gain followed by a symmetric soft-clip curve.
//
// drive = amount x 4 + 1; samples whose driven magnitude stays within the 0.6 knee pass
// with the drive gain only, larger ones follow a parabola that reaches 1.0 at full-scale
// input. Stateless apart from the last amount; process is realtime-safe.

class SoftSaturator
{
  public:
    // Shape both buffers in place with `amt` (0..1).
    void process(float* left, float* right, int frames, float amt) noexcept;
    // Shape one buffer with the stored amount.
    void processBuffer(float* buffer, int frames) const noexcept;
    // The curve for one sample at the stored amount (the same formula as the loops).
    float shape(float x) const noexcept;

    float amount = 0.0f;
};
