#pragma once

// Replaces the executable's global operator new and the C allocation functions with counting ones
// that forward to glibc's own entry points. Counting is armed only inside a CountAllocations scope,
// so the rest of the executable (and any plug-in it hosts) allocates as usual. It defines the
// replacement functions themselves: include it in exactly one source file of an executable.

#include <atomic>
#include <cstdlib>
#include <new>

// glibc's own entry points, which the replacements below forward to.
extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_calloc(size_t count, size_t size);
extern "C" void* __libc_realloc(void* p, size_t size);
extern "C" void __libc_free(void* p);
extern "C" void* __libc_memalign(size_t alignment, size_t size);

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

inline void* newOrThrow(size_t size)
{
    void* p = counted(__libc_malloc(size == 0 ? 1 : size));
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

inline void* alignedNewOrThrow(size_t size, std::align_val_t alignment)
{
    void* p = counted(__libc_memalign(static_cast<size_t>(alignment), size == 0 ? 1 : size));
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
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
    return CountingAllocator::counted(__libc_malloc(size == 0 ? 1 : size));
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return CountingAllocator::counted(__libc_malloc(size == 0 ? 1 : size));
}
void operator delete(void* p) noexcept
{
    __libc_free(p);
}
void operator delete[](void* p) noexcept
{
    __libc_free(p);
}
void operator delete(void* p, size_t) noexcept
{
    __libc_free(p);
}
void operator delete[](void* p, size_t) noexcept
{
    __libc_free(p);
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
    __libc_free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept
{
    __libc_free(p);
}
void operator delete(void* p, size_t, std::align_val_t) noexcept
{
    __libc_free(p);
}
void operator delete[](void* p, size_t, std::align_val_t) noexcept
{
    __libc_free(p);
}
