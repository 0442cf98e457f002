#pragma once

#include <functional>

namespace scribeon {

// Signing out: tells the service, clears the stored credentials and the
// command cache, and never fails. `done` may run on any thread.
class AuthService {
public:
    virtual ~AuthService() = default;
    virtual void logout(std::function<void()> done) = 0;
};

} // namespace scribeon
