#pragma once

// Watches the global operator new of the test program while it lives: how many allocations
// there were and the largest one. The program's operator new and delete are replaced in
// AllocationProbe.cpp (plain malloc and free underneath, so sanitizers still see every block).

#include <cstddef>

namespace testing_audio {

class AllocationProbe {
  public:
    AllocationProbe();
    ~AllocationProbe();
    AllocationProbe(const AllocationProbe&) = delete;
    AllocationProbe& operator=(const AllocationProbe&) = delete;

    std::size_t count() const;
    std::size_t largest() const;
};

}  // namespace testing_audio
