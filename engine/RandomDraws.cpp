#include "engine/RandomDraws.h"

#include "engine/Random.h"

#include <algorithm>
#include <cmath>

float randomUniform(float lo, float hi) noexcept
{
    const int r = ksRand();
    return lo + static_cast<float>(r) * (hi - lo) / static_cast<float>(kKsRandMax);
}

int randomInteger(int lo, int hi) noexcept
{
    const long long r = ksRand();
    // Integer arithmetic truncates exactly; only r = 32767 reaches hi + 1, which is limited.
    const long long v = lo + r * (static_cast<long long>(hi) + 1 - lo) / kKsRandMax;
    return static_cast<int>(std::clamp<long long>(v, lo, hi));
}

int randomChance(float p) noexcept
{
    const int r = ksRand();
    return p > static_cast<float>(r) / static_cast<float>(kKsRandMax) ? 1 : 0;
}

float randomNormal(float mean, float sigma, float lo, float hi) noexcept
{
    // 2r - 32767 is odd, so u and v are never 0 and the radius is never 0. The generator has a
    // full period, so a pair inside the unit circle always comes; the bound only guards against
    // a generator that someone replaced.
    for (int attempt = 0; attempt < 10000; ++attempt) {
        const double u = (2.0 * ksRand() - kKsRandMax) / kKsRandMax;
        const double v = (2.0 * ksRand() - kKsRandMax) / kKsRandMax;
        const double s = u * u + v * v;
        if (s > 1.0 || s <= 0.0) continue;
        const double value = mean + sigma * u * std::sqrt(-2.0 * std::log(s) / s);
        return std::clamp(static_cast<float>(value), lo, hi);
    }
    return std::clamp(mean, lo, hi);
}
