#pragma once

#include <cstddef>

// Watching and refusing the test program's allocations through operator new. Allocations.cpp
// replaces the program's operator new and delete (plain malloc and free underneath, so the
// sanitizers and memcheck still see every block); a program that uses these classes compiles
// it in.

// While an object of this class lives: how many allocations there were and the largest one.
class AllocationProbe {
  public:
    AllocationProbe();
    ~AllocationProbe();
    AllocationProbe(const AllocationProbe&) = delete;
    AllocationProbe& operator=(const AllocationProbe&) = delete;

    std::size_t count() const;
    std::size_t largest() const;
};

// While an object of this class lives, every allocation of at least `size` bytes (with `exact`,
// of just `size` bytes: one object's) fails with std::bad_alloc, as on a machine whose memory
// has run out; the others go through.
class LargeAllocationFailure {
  public:
    explicit LargeAllocationFailure(std::size_t size, bool exact = false);
    ~LargeAllocationFailure();
    LargeAllocationFailure(const LargeAllocationFailure&) = delete;
    LargeAllocationFailure& operator=(const LargeAllocationFailure&) = delete;

    // The allocations refused so far.
    std::size_t failures() const;
};
