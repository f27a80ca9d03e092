#pragma once

// PeakFollower: a linear-attack, linear-release envelope follower.
//
// The envelope falls by releaseStep every sample and rises towards the magnitude of
// the input by at most attackStep per sample. Steps are 1 / (time x sampleRate); a
// time of 0 gives a step of 0. Nothing here allocates; process is realtime-safe.

class PeakFollower
{
  public:
    PeakFollower() { updateSteps(); }

    // Store the sample rate, recompute both steps and zero the envelope.
    void setSampleRate(float sr) noexcept;
    // Attack time in seconds; recomputes the attack step.
    void setAttackTime(float seconds) noexcept;
    // Release time in seconds; recomputes the release step.
    void setReleaseTime(float seconds) noexcept;
    // Zero the envelope.
    void clear() noexcept { value = 0.0f; }

    // One step with input sample s: returns the new envelope value (never negative).
    float process(float s) noexcept
    {
        float e = value - releaseStep;
        float d;
        if (s > e)
            d = s - e;
        else if (s < -e)
            d = -s - e;
        else
            d = 0.0f;
        if (d > 0.0f) e += d < attackStep ? d : attackStep;
        value = e < 0.0f ? 0.0f : e;
        return value;
    }

    float sampleRate = 44100.0f;
    float attackTime = 0.0f;  // seconds
    float releaseTime = 0.0f; // seconds
    float value = 0.0f;       // current envelope
    float attackStep = 0.0f;
    float releaseStep = 0.0f;

  private:
    void updateSteps() noexcept;
};
