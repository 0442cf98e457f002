#pragma once

#include "base/Property.h"
#include "platform/MainQueue.h"
#include "service/AccountAPI.h"
#include "service/AuthService.h"
#include "service/KeychainService.h"
#include "wire/Records.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace scribeon {

// Application-wide observable state: who is signed in, the transient error
// message, update availability and the window request pulses. Lives on the
// main queue; network results are applied there.
class AppViewModel : public std::enable_shared_from_this<AppViewModel> {
public:
    static constexpr Milliseconds errorMessageLifetime{3000};

    static std::shared_ptr<AppViewModel> create(MainQueue& queue, KeychainService& keychain,
                                                AccountAPI& accountAPI, AuthService& authService);

    Property<bool> isAuthenticated;
    Property<std::optional<User>, Notify::Always> user;
    Property<std::optional<std::string>> errorMessage;
    Property<bool> isUpdateAvailable{false};
    Property<std::optional<std::string>> availableVersion;
    Property<bool> showLoginWindow{false};
    Property<bool> showSettingsWindow{false};

    // `done` runs on the main queue once the outcome has been applied (or at
    // once when signed out).
    void loadUser(std::function<void()> done = {});
    void logout(std::function<void()> done = {});
    void onLoginSuccess();
    // Another process (`scribeon --sign-in`) changed the credential store:
    // read it again and, when a token is there, load the account.
    void adoptStoredSignIn();
    void showErrorMessage(std::string message);

private:
    AppViewModel(MainQueue& queue, KeychainService& keychain, AccountAPI& accountAPI,
                 AuthService& authService);
    void applyUserResult(const ServiceResult<UserResponse>& result);
    void localLogout();

    MainQueue& queue_;
    KeychainService& keychain_;
    AccountAPI& accountAPI_;
    AuthService& authService_;
};

} // namespace scribeon
