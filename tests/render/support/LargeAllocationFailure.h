#pragma once

#include <cstddef>

// While an object of this class lives, every allocation through operator new of at least `size`
// bytes fails with std::bad_alloc, as on a machine whose memory has run out; smaller ones go
// through. The test program's operator new and delete are replaced for this in
// LargeAllocationFailure.cpp (plain malloc and free underneath, so sanitizers still see every
// block).
class LargeAllocationFailure {
  public:
    explicit LargeAllocationFailure(std::size_t size);
    ~LargeAllocationFailure();
    LargeAllocationFailure(const LargeAllocationFailure&) = delete;
    LargeAllocationFailure& operator=(const LargeAllocationFailure&) = delete;

    // The allocations refused so far.
    std::size_t failures() const;
};
