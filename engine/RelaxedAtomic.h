// RelaxedAtomic<T>: a value that one thread may write while another reads it. Every access is
// whole and in relaxed order, as std::atomic with memory_order_relaxed; unlike std::atomic it can
// be copied and assigned from another one, so arrays of them are filled and copied with the
// standard algorithms. A copy is two separate accesses (a load, then a store), not one.
#pragma once

#include <atomic>

template <typename T> class RelaxedAtomic
{
  public:
    static_assert(std::atomic<T>::is_always_lock_free, "shared values must be lock-free");

    RelaxedAtomic() noexcept = default;
    RelaxedAtomic(T initial) noexcept : value(initial) {}
    RelaxedAtomic(const RelaxedAtomic& other) noexcept : value(other.load()) {}
    RelaxedAtomic& operator=(const RelaxedAtomic& other) noexcept
    {
        store(other.load());
        return *this;
    }
    RelaxedAtomic& operator=(T next) noexcept
    {
        store(next);
        return *this;
    }
    operator T() const noexcept { return load(); }

    T load() const noexcept { return value.load(std::memory_order_relaxed); }
    void store(T next) noexcept { value.store(next, std::memory_order_relaxed); }

  private:
    std::atomic<T> value{};
};
