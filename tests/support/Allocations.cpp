#include "tests/support/Allocations.h"

#include <atomic>
#include <cstdlib>
#include <limits>
#include <new>

namespace {

std::atomic<bool> g_probing{false};
std::atomic<std::size_t> g_count{0};
std::atomic<std::size_t> g_largest{0};
std::atomic<std::size_t> g_threshold{std::numeric_limits<std::size_t>::max()};
std::atomic<std::size_t> g_failures{0};
std::atomic<bool> g_exact{false};

void* Allocate(std::size_t size) {
    const std::size_t threshold = g_threshold.load(std::memory_order_relaxed);
    if (g_exact.load(std::memory_order_relaxed) ? size == threshold : size >= threshold) {
        g_failures.fetch_add(1, std::memory_order_relaxed);
        return nullptr;
    }
    if (g_probing.load(std::memory_order_relaxed)) {
        g_count.fetch_add(1, std::memory_order_relaxed);
        std::size_t largest = g_largest.load(std::memory_order_relaxed);
        while (size > largest && !g_largest.compare_exchange_weak(largest, size)) {
        }
    }
    return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

void* operator new(std::size_t size) {
    if (void* p = Allocate(size)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}

AllocationProbe::AllocationProbe() {
    g_count = 0;
    g_largest = 0;
    g_probing = true;
}

AllocationProbe::~AllocationProbe() {
    g_probing = false;
}

std::size_t AllocationProbe::count() const {
    return g_count;
}

std::size_t AllocationProbe::largest() const {
    return g_largest;
}

LargeAllocationFailure::LargeAllocationFailure(std::size_t size, bool exact) {
    g_failures = 0;
    g_exact = exact;
    g_threshold = size;
}

LargeAllocationFailure::~LargeAllocationFailure() {
    g_threshold = std::numeric_limits<std::size_t>::max();
    g_exact = false;
}

std::size_t LargeAllocationFailure::failures() const {
    return g_failures.load();
}
