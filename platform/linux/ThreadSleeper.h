#pragma once

#include "platform/Sleeper.h"

#include <thread>

namespace scribeon {

class ThreadSleeper : public Sleeper {
public:
    void sleepFor(std::chrono::microseconds duration) override {
        std::this_thread::sleep_for(duration);
    }
};

} // namespace scribeon
