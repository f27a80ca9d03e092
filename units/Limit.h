#pragma once

// limitTo: clamps v to lo..hi, and maps NaN to lo, so that a bad value from a host or
// a corrupt program can never reach an index, a division or a line length.
inline float limitTo(float v, float lo, float hi) noexcept
{
    if (!(v >= lo)) return lo;
    return v > hi ? hi : v;
}

// Highest frequency, as a share of the sample rate, that any filter design or oscillator of
// the chain is given. Near Nyquist the designs lose their meaning and then their stability
// (the sine of the angle goes to 0 and changes sign beyond it), so every frequency is held a
// safe margin below it: 0.45 x the rate, which no setting reaches at 44.1 kHz and above.
inline constexpr double kHighestFrequencyShare = 0.45;

// belowNyquist: hz, held at or below kHighestFrequencyShare x sampleRate. A value within the
// limit is returned unchanged (bit for bit); one that is not a number becomes the limit.
template <class T> inline T belowNyquist(T hz, T sampleRate) noexcept
{
    const T limit = static_cast<T>(kHighestFrequencyShare) * sampleRate;
    return hz <= limit ? hz : limit;
}
