#pragma once

// Counts allocations in a CountAllocations scope by replacing glibc's malloc family (free is glibc's own;
// include it in one source file of an executable); under AddressSanitizer, through its allocation hook.

#include <atomic>
#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
#define TOVKA_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TOVKA_ASAN 1
#endif
#endif

#ifdef TOVKA_ASAN
#include <sanitizer/allocator_interface.h>
#endif

/** Counts the allocations made while it is alive. */
class CountAllocations
{
public:
    CountAllocations()
    {
#ifdef TOVKA_ASAN
        // It installs the hooks only when given both.
        [[maybe_unused]] static const int installed = __sanitizer_install_malloc_and_free_hooks(
            [](const volatile void* p, size_t) { counted(const_cast<void*>(p)); },
            [](const volatile void*) {});
#endif
        allocations = 0;
        counting = true;
    }
    ~CountAllocations()
    {
        counting = false;
    }
    long count() const
    {
        return allocations.load();
    }

    static void* counted(void* p)
    {
        if (counting.load(std::memory_order_relaxed))
            allocations.fetch_add(1, std::memory_order_relaxed);
        return p;
    }
    static inline std::atomic<bool> counting{false};
    static inline std::atomic<long> allocations{0};
};

#ifndef TOVKA_ASAN
extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_calloc(size_t count, size_t size);
extern "C" void* __libc_realloc(void* p, size_t size);
extern "C" void* __libc_memalign(size_t alignment, size_t size);

extern "C" void* malloc(size_t size)
{
    return CountAllocations::counted(__libc_malloc(size));
}
extern "C" void* calloc(size_t count, size_t size)
{
    return CountAllocations::counted(__libc_calloc(count, size));
}
extern "C" void* realloc(void* p, size_t size)
{
    return CountAllocations::counted(__libc_realloc(p, size));
}
extern "C" void* memalign(size_t alignment, size_t size)
{
    return CountAllocations::counted(__libc_memalign(alignment, size));
}
extern "C" void* aligned_alloc(size_t alignment, size_t size)
{
    return memalign(alignment, size);
}
extern "C" int posix_memalign(void** p, size_t alignment, size_t size)
{
    *p = memalign(alignment, size);
    return *p == nullptr ? 12 : 0; // ENOMEM
}
#endif
