// Counts heap allocations made on the calling thread between startCountingAllocations and
// stopCountingAllocations. The test executable replaces malloc and its relatives (operator new
// calls them) and exports them, so allocations inside the loaded plug-in module count as well.
// The address sanitizer owns malloc: its builds count through its allocation hook instead.
#include <cstddef>

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

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's run-time calls the hooks on every allocation, operator new's too.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, size_t),
                                                         void (*)(const volatile void*));

namespace
{
[[maybe_unused]] const int installed = __sanitizer_install_malloc_and_free_hooks(
    [](const volatile void*, size_t) { note(); }, [](const volatile void*) {});
} // namespace
#else
// glibc's own entry points, which the replacements forward to.
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
