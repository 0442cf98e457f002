#pragma once

#include <QString>

#include <algorithm>
#include <chrono>

namespace scribeon {

inline QString secretServiceName() {
    return QStringLiteral("org.freedesktop.secrets");
}

// What is left of a deadline as a D-Bus call timeout; at least 1 ms, since
// QtDBus reads 0 and below as its own default of 25 s.
inline int remainingMs(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 1));
}

} // namespace scribeon
