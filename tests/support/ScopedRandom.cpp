#include "tests/support/ScopedRandom.h"

ScopedRandom* ScopedRandom::current_ = nullptr;
std::time_t ScopedClock::now_ = 0;

ScopedRandom::ScopedRandom(std::vector<int> values, std::time_t now)
    : values_(std::move(values)), now_(now), outer_(current_) {
    current_ = this;
    previous_ =
        SetRandomSourceForTesting({&ScopedRandom::Rand, &ScopedRandom::Srand, &ScopedRandom::Time});
}

ScopedRandom::~ScopedRandom() {
    SetRandomSourceForTesting(previous_);
    current_ = outer_;
}

int ScopedRandom::Rand() {
    ScopedRandom& self = *current_;
    const int value = self.values_.empty() ? 0 : self.values_[self.draws_ % self.values_.size()];
    ++self.draws_;
    return value;
}

void ScopedRandom::Srand(unsigned seed) {
    current_->seeds_.push_back(seed);
}

std::time_t ScopedRandom::Time() {
    return current_->now_;
}

ScopedClock::ScopedClock(std::time_t now) {
    now_ = now;
    previous_ = SetRandomSourceForTesting({nullptr, nullptr, &ScopedClock::Time});
}

ScopedClock::~ScopedClock() {
    SetRandomSourceForTesting(previous_);
}
