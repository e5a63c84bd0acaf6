#pragma once

// Forces the C library seam for one test (an inner one overrides an outer one until it ends): a
// scripted or constant rand sequence, a fixed clock, and a record of every seed and every draw.

#include <cstddef>
#include <ctime>
#include <vector>

#include "base/Random.h"

class ScopedRandom {
  public:
    // Draws cycle through `values`; an empty list draws 0.
    explicit ScopedRandom(std::vector<int> values = {}, std::time_t now = 1'700'000'000);
    ~ScopedRandom();
    ScopedRandom(const ScopedRandom&) = delete;
    ScopedRandom& operator=(const ScopedRandom&) = delete;

    std::size_t draws() const { return draws_; }
    const std::vector<unsigned>& seeds() const { return seeds_; }
    void SetNow(std::time_t now) { now_ = now; }

  private:
    static ScopedRandom* current_;
    static int Rand();
    static void Srand(unsigned seed);
    static std::time_t Time();

    std::vector<int> values_;
    std::time_t now_;
    std::size_t draws_ = 0;
    std::vector<unsigned> seeds_;
    RandomSource previous_;
    ScopedRandom* outer_;
};

// Keeps the C library's rand but pins the clock, so builds reseed the same way.
class ScopedClock {
  public:
    explicit ScopedClock(std::time_t now);
    ~ScopedClock();

  private:
    static std::time_t now_;
    static std::time_t Time() { return now_; }
    RandomSource previous_;
};
