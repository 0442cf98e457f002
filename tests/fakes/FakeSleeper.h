#pragma once

#include "platform/Sleeper.h"

#include <functional>
#include <map>
#include <vector>

namespace scribeon {

// Virtual time: sleeping advances the clock at once and is recorded, and
// runs what other applications were scheduled to do meanwhile.
class FakeSleeper : public Sleeper {
public:
    void sleepFor(std::chrono::microseconds duration) override {
        now += duration;
        sleeps.push_back(duration);
        while (!scheduled.empty() && scheduled.begin()->first <= now) {
            const auto task = scheduled.begin()->second;
            scheduled.erase(scheduled.begin());
            task();
        }
    }
    // Runs the task once the clock reaches `delay` from now (at once for 0).
    void after(std::chrono::microseconds delay, std::function<void()> task) {
        if (delay.count() <= 0)
            task();
        else
            scheduled.emplace(now + delay, std::move(task));
    }

    std::chrono::microseconds now{0};
    std::vector<std::chrono::microseconds> sleeps;
    std::multimap<std::chrono::microseconds, std::function<void()>> scheduled;
};

} // namespace scribeon
