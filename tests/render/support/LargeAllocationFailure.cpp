#include "tests/render/support/LargeAllocationFailure.h"

#include <atomic>
#include <cstdlib>
#include <limits>
#include <new>

namespace {

std::atomic<std::size_t> g_threshold{std::numeric_limits<std::size_t>::max()};
std::atomic<std::size_t> g_failures{0};

void* Allocate(std::size_t size) {
    if (size >= g_threshold.load(std::memory_order_relaxed)) {
        g_failures.fetch_add(1, std::memory_order_relaxed);
        return nullptr;
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

LargeAllocationFailure::LargeAllocationFailure(std::size_t size) {
    g_failures = 0;
    g_threshold = size;
}

LargeAllocationFailure::~LargeAllocationFailure() {
    g_threshold = std::numeric_limits<std::size_t>::max();
}

std::size_t LargeAllocationFailure::failures() const {
    return g_failures.load();
}
