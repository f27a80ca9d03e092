#include "engine/Random.h"

#include <atomic>

namespace
{
std::atomic<std::uint32_t> randomState{1};
}

int ksRand() noexcept
{
    std::uint32_t x = randomState.load(std::memory_order_relaxed);
    std::uint32_t next;
    do {
        next = x * 214013u + 2531011u;
    } while (!randomState.compare_exchange_weak(x, next, std::memory_order_relaxed));
    return static_cast<int>((next >> 16) & 0x7FFFu);
}

void ksSrand(std::uint32_t seed) noexcept
{
    randomState.store(seed, std::memory_order_relaxed);
}
