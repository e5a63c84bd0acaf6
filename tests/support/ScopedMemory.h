#pragma once

#include <cstdint>
#include <optional>
#include <utility>

#include "scene/MemoryBudget.h"

// What AvailableMemory reports, fixed for one scope.
class ScopedMemory {
  public:
    explicit ScopedMemory(std::optional<std::uint64_t> available)
        : previous_(SetAvailableMemoryForTesting([available] { return available; })) {}
    ~ScopedMemory() { SetAvailableMemoryForTesting(std::move(previous_)); }
    ScopedMemory(const ScopedMemory&) = delete;
    ScopedMemory& operator=(const ScopedMemory&) = delete;

  private:
    MemoryProbe previous_;
};
