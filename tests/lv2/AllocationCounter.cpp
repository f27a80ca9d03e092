#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define ORVANE_COUNT_MALLOC 0
#else
#define ORVANE_COUNT_MALLOC 1
#endif

namespace
{

thread_local int counting = 0;
thread_local long allocations = 0;

void noteAllocation() noexcept
{
    if (counting > 0) ++allocations;
}

} // namespace

AllocationCounter::AllocationCounter()
{
    if (counting++ == 0) allocations = 0;
}

AllocationCounter::~AllocationCounter()
{
    --counting;
}

long AllocationCounter::count() const
{
    return allocations;
}

bool AllocationCounter::countsMalloc()
{
    return ORVANE_COUNT_MALLOC != 0;
}

#if ORVANE_COUNT_MALLOC
// glibc's own allocator entry points, which the replacements below forward to.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* pointer);

void* malloc(size_t size)
{
    noteAllocation();
    return __libc_malloc(size);
}

void* calloc(size_t count, size_t size)
{
    noteAllocation();
    return __libc_calloc(count, size);
}

void* realloc(void* pointer, size_t size)
{
    noteAllocation();
    return __libc_realloc(pointer, size);
}

void* memalign(size_t alignment, size_t size)
{
    noteAllocation();
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(size_t alignment, size_t size)
{
    noteAllocation();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** result, size_t alignment, size_t size)
{
    noteAllocation();
    void* p = __libc_memalign(alignment, size);
    if (!p) return 12; // ENOMEM
    *result = p;
    return 0;
}

void free(void* pointer)
{
    __libc_free(pointer);
}
}
#endif

void* operator new(size_t size)
{
    noteAllocation();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void* operator new[](size_t size)
{
    noteAllocation();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    noteAllocation();
    return std::malloc(size ? size : 1);
}

void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    noteAllocation();
    return std::malloc(size ? size : 1);
}

void operator delete(void* pointer) noexcept
{
    std::free(pointer);
}
void operator delete[](void* pointer) noexcept
{
    std::free(pointer);
}
void operator delete(void* pointer, size_t) noexcept
{
    std::free(pointer);
}
void operator delete[](void* pointer, size_t) noexcept
{
    std::free(pointer);
}
