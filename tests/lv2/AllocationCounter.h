// Counts heap allocations made on the calling thread while a counter is alive. The test
// executable replaces the global operator new (and, outside sanitizer builds, malloc and its
// relatives), and exports them, so allocations inside a loaded plug-in module count as well.
#pragma once

class AllocationCounter
{
  public:
    AllocationCounter();
    ~AllocationCounter();
    AllocationCounter(const AllocationCounter&) = delete;
    AllocationCounter& operator=(const AllocationCounter&) = delete;

    // Allocations made on this thread since construction.
    long count() const;
    // Whether malloc itself is counted (it is not under the address sanitizer, which owns it).
    static bool countsMalloc();
};
