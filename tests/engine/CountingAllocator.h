#pragma once

// Replaces the executable's global operator new (every form) with counting ones that allocate with
// malloc and posix_memalign and free with free, and, except under AddressSanitizer, the C allocation
// functions with counting ones that forward to glibc's own entry points. Under AddressSanitizer the C
// functions stay its own (replacing them would hand its allocations to glibc's free, and glibc's to
// it), so there only operator new is counted. Counting is armed only inside a CountAllocations
// scope, so the rest of the executable (and any plug-in it hosts) allocates as usual. It defines the
// replacement functions themselves: include it in exactly one source file of an executable.

#include <atomic>
#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define TOVKA_COUNT_C_ALLOCATIONS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TOVKA_COUNT_C_ALLOCATIONS 0
#endif
#endif
#ifndef TOVKA_COUNT_C_ALLOCATIONS
#define TOVKA_COUNT_C_ALLOCATIONS 1
#endif

#if TOVKA_COUNT_C_ALLOCATIONS
// glibc's own entry points, which the replacements below forward to.
extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_calloc(size_t count, size_t size);
extern "C" void* __libc_realloc(void* p, size_t size);
extern "C" void __libc_free(void* p);
#endif

namespace CountingAllocator
{
inline std::atomic<bool> counting{false};
inline std::atomic<long> allocations{0};

inline void* counted(void* p)
{
    if (counting.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
    return p;
}

/** malloc without counting it a second time. */
inline void* uncountedMalloc(size_t size)
{
#if TOVKA_COUNT_C_ALLOCATIONS
    return __libc_malloc(size);
#else
    return std::malloc(size);
#endif
}

inline void* newOrThrow(size_t size)
{
    void* p = counted(uncountedMalloc(size == 0 ? 1 : size));
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

inline void* alignedNewOrThrow(size_t size, std::align_val_t alignment)
{
    void* p = nullptr;
    if (posix_memalign(&p, static_cast<size_t>(alignment), size == 0 ? 1 : size) != 0)
        throw std::bad_alloc();
    return counted(p);
}
} // namespace CountingAllocator

/** Counts the allocations made while it is alive. */
class CountAllocations
{
public:
    CountAllocations()
    {
        CountingAllocator::allocations = 0;
        CountingAllocator::counting = true;
    }
    ~CountAllocations() { CountingAllocator::counting = false; }
    long count() const { return CountingAllocator::allocations.load(); }
};

#if TOVKA_COUNT_C_ALLOCATIONS
extern "C" void* malloc(size_t size)
{
    return CountingAllocator::counted(__libc_malloc(size));
}
extern "C" void* calloc(size_t count, size_t size)
{
    return CountingAllocator::counted(__libc_calloc(count, size));
}
extern "C" void* realloc(void* p, size_t size)
{
    return CountingAllocator::counted(__libc_realloc(p, size));
}
extern "C" void free(void* p)
{
    __libc_free(p);
}
#endif

void* operator new(size_t size)
{
    return CountingAllocator::newOrThrow(size);
}
void* operator new[](size_t size)
{
    return CountingAllocator::newOrThrow(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    return CountingAllocator::counted(CountingAllocator::uncountedMalloc(size == 0 ? 1 : size));
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return CountingAllocator::counted(CountingAllocator::uncountedMalloc(size == 0 ? 1 : size));
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, size_t) noexcept
{
    std::free(p);
}
// Over-aligned types (the formant channel's filter bank) come through these.
void* operator new(size_t size, std::align_val_t alignment)
{
    return CountingAllocator::alignedNewOrThrow(size, alignment);
}
void* operator new[](size_t size, std::align_val_t alignment)
{
    return CountingAllocator::alignedNewOrThrow(size, alignment);
}
void operator delete(void* p, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, size_t, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, size_t, std::align_val_t) noexcept
{
    std::free(p);
}
