#pragma once

#include <ctime>

// The C library's rand, srand and time, reached through one seam so that tests can force the
// sequence the path and the drums draw from. The program never replaces them.
int Rand();
void Srand(unsigned seed);
std::time_t Time();

struct RandomSource {
    int (*rand)() = nullptr;
    void (*srand)(unsigned) = nullptr;
    std::time_t (*time)() = nullptr;
};

// Members left null keep the C library's function. Returns the source that was in force.
RandomSource SetRandomSourceForTesting(RandomSource source);
