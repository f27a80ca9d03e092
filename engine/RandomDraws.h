// The randomiser's draws, each taking values from the process-wide generator (ksRand, 0..32767)
// in a fixed order so that a seed always produces the same patch.
//
//   randomUniform(lo, hi)              lo + r (hi - lo) / 32767, hi included
//   randomInteger(lo, hi)              lo + r (hi + 1 - lo) / 32767 truncated, limited to lo..hi
//   randomChance(p)                    1 when p > r / 32767, else 0
//   randomNormal(mean, sigma, lo, hi)  polar method on pairs of draws, limited to lo..hi
//
// No allocation, no locks; safe from any thread.
#pragma once

float randomUniform(float lo, float hi) noexcept;
int randomInteger(int lo, int hi) noexcept;
int randomChance(float p) noexcept;
float randomNormal(float mean, float sigma, float lo, float hi) noexcept;
