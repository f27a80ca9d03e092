#include "units/PeakFollower.h"

namespace
{
float stepFor(float time, float sampleRate) noexcept
{
    const float samples = time * sampleRate;
    return samples > 0.0f ? 1.0f / samples : 0.0f;
}
} // namespace

void PeakFollower::setSampleRate(float sr) noexcept
{
    sampleRate = sr;
    updateSteps();
    value = 0.0f;
}

void PeakFollower::setAttackTime(float seconds) noexcept
{
    attackTime = seconds;
    attackStep = stepFor(attackTime, sampleRate);
}

void PeakFollower::setReleaseTime(float seconds) noexcept
{
    releaseTime = seconds;
    releaseStep = stepFor(releaseTime, sampleRate);
}

void PeakFollower::updateSteps() noexcept
{
    attackStep = stepFor(attackTime, sampleRate);
    releaseStep = stepFor(releaseTime, sampleRate);
}
