#pragma once

#include <chrono>

namespace scribeon {

// Blocks the calling thread. Capture and replacement wait for other
// applications with fixed pauses; tests replace this with virtual time.
class Sleeper {
public:
    virtual ~Sleeper() = default;
    virtual void sleepFor(std::chrono::microseconds duration) = 0;
};

} // namespace scribeon
