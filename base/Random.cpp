#include "base/Random.h"

#include <cstdlib>

namespace {
RandomSource& Source() {
    static RandomSource source;
    return source;
}
}  // namespace

int Rand() {
    return Source().rand != nullptr ? Source().rand() : std::rand();
}

void Srand(unsigned seed) {
    if (Source().srand != nullptr) {
        Source().srand(seed);
    } else {
        std::srand(seed);
    }
}

std::time_t Time() {
    return Source().time != nullptr ? Source().time() : std::time(nullptr);
}

RandomSource SetRandomSourceForTesting(RandomSource source) {
    const RandomSource old = Source();
    Source() = source;
    return old;
}
