#pragma once

// limitTo: clamps v to lo..hi, and maps NaN to lo, so that a bad value from a host or
// a corrupt program can never reach an index, a division or a line length.
inline float limitTo(float v, float lo, float hi) noexcept
{
    if (!(v >= lo)) return lo;
    return v > hi ? hi : v;
}
