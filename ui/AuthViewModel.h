#pragma once

#include "base/Property.h"
#include "service/AuthService.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace scribeon {

// The sign-in form: what is typed, whether a request is in flight and the
// last failure. Lives on the main queue; the service's completions arrive
// there.
class AuthViewModel : public std::enable_shared_from_this<AuthViewModel> {
public:
    static constexpr const char* missingFieldsMessage = "Please enter email and password.";

    static std::shared_ptr<AuthViewModel> create(AuthService& authService);

    Property<std::string> email;
    Property<std::string> password;
    Property<bool> isLoading{false};
    Property<std::optional<std::string>> errorMessage;

    // The e-mail without blanks and tabs at its ends is not empty, and the
    // password, as typed, is not empty.
    bool isValid() const;

    // Signs in with the trimmed e-mail and the password as typed; `onSuccess`
    // runs once the service has accepted them. A submit while a request is
    // in flight is ignored.
    void login(std::function<void()> onSuccess);

private:
    explicit AuthViewModel(AuthService& authService) : authService_(authService) {}

    AuthService& authService_;
};

} // namespace scribeon
