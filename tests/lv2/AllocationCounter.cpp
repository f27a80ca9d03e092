// Counts heap allocations made on the calling thread between startCountingAllocations and
// stopCountingAllocations. The test executable replaces the global operator new (and, outside
// sanitizer builds, malloc and its relatives) and exports them, so allocations inside the loaded
// plug-in module count as well.
#include <cstdlib>
#include <new>

namespace
{
thread_local bool counting = false;
thread_local long allocations = 0;

void note() noexcept
{
    if (counting) ++allocations;
}
} // namespace

void startCountingAllocations()
{
    allocations = 0;
    counting = true;
}

long stopCountingAllocations()
{
    counting = false;
    return allocations;
}

#if !defined(__SANITIZE_ADDRESS__)
// glibc's own entry points, which the replacements forward to. The address sanitizer owns malloc,
// so its builds count operator new only.
extern "C" {
#define ORVANE_COUNTED(name, params, args)                                                                   \
    void* __libc_##name params;                                                                              \
    void* name params                                                                                        \
    {                                                                                                        \
        note();                                                                                              \
        return __libc_##name args;                                                                           \
    }
ORVANE_COUNTED(malloc, (size_t size), (size))
ORVANE_COUNTED(calloc, (size_t count, size_t size), (count, size))
ORVANE_COUNTED(realloc, (void* pointer, size_t size), (pointer, size))
ORVANE_COUNTED(memalign, (size_t alignment, size_t size), (alignment, size))
void __libc_free(void* pointer);
void free(void* pointer)
{
    __libc_free(pointer);
}
void* aligned_alloc(size_t alignment, size_t size)
{
    return memalign(alignment, size);
}
int posix_memalign(void** result, size_t alignment, size_t size)
{
    void* p = memalign(alignment, size);
    if (!p) return 12; // ENOMEM
    *result = p;
    return 0;
}
}
#endif

void* operator new(size_t size)
{
    note();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    note();
    return std::malloc(size ? size : 1);
}
void* operator new[](size_t size)
{
    return operator new(size);
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept
{
    return operator new(size, tag);
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
