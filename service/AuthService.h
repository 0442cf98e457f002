#pragma once

#include "service/ServiceError.h"

#include <functional>
#include <string>

namespace scribeon {

// Sign-in and sign-out, keeping the credential store in step with the
// service. Completions run on the main queue.
class AuthService {
public:
    virtual ~AuthService() = default;
    // Yields the bearer token.
    virtual void login(const std::string& email, const std::string& password,
                       Completion<std::string> completion) = 0;
    // Never fails; the local clean-up runs even when the service is unreachable.
    virtual void logout(std::function<void()> done) = 0;
    // Ends every sign-in of the account, on every computer. Unlike logout it
    // can fail, and says so: the local token is kept then, to try again,
    // unless the service no longer knows it.
    virtual void logoutEverywhere(Completion<Done> completion) = 0;
};

} // namespace scribeon
