#include "units/SoftSaturator.h"

#include "units/LoopTargets.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr float knee = 0.6f;
// One single-precision step below 0.8: the curve's scale, kept exactly as tuned.
constexpr float curveScale = 0.79999995f;
constexpr float curveRoot = 0.707107f;

// Written without branches so that the loop below vectorises; every sample gets the
// same formula whichever side of the knee it lies on.
inline float shapeSample(float x, float drive, float span) noexcept
{
    const float v = drive * x;
    const float a = std::fabs(v);
    const float t = (a - knee) / span;
    const float r = (1.0f - t) * curveRoot;
    const float o = (0.5f - r * r) * curveScale + knee;
    const float signedO = v < 0.0f ? -o : o;
    return a > knee ? signedO : v;
}

} // namespace

void SoftSaturator::process(float* left, float* right, int frames, float amt) noexcept
{
    amount = std::clamp(amt, 0.0f, 1.0f);
    processBuffer(left, frames);
    processBuffer(right, frames);
}

ORVANE_UNIT_LOOP
void SoftSaturator::processBuffer(float* buffer, int frames) const noexcept
{
    const float drive = amount * 4.0f + 1.0f;
    const float span = drive - knee;
    for (int i = 0; i < frames; ++i)
        buffer[i] = shapeSample(buffer[i], drive, span);
}

float SoftSaturator::shape(float x) const noexcept
{
    const float drive = amount * 4.0f + 1.0f;
    return shapeSample(x, drive, drive - knee);
}
