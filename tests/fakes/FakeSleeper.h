#pragma once

#include "platform/Sleeper.h"

#include <vector>

namespace scribeon {

// Virtual time: sleeping advances the clock at once and is recorded.
class FakeSleeper : public Sleeper {
public:
    void sleepFor(std::chrono::microseconds duration) override {
        now += duration;
        sleeps.push_back(duration);
    }
    std::chrono::microseconds now{0};
    std::vector<std::chrono::microseconds> sleeps;
};

} // namespace scribeon
