#include "app/AppViewModel.h"

#include "base/WeakCallback.h"
#include "service/DeliverOnMain.h"

namespace scribeon {

std::shared_ptr<AppViewModel> AppViewModel::create(MainQueue& queue, KeychainService& keychain,
                                                   AccountAPI& accountAPI,
                                                   AuthService& authService) {
    return std::shared_ptr<AppViewModel>(
        new AppViewModel(queue, keychain, accountAPI, authService));
}

AppViewModel::AppViewModel(MainQueue& queue, KeychainService& keychain, AccountAPI& accountAPI,
                           AuthService& authService)
    : isAuthenticated(keychain.read(KeychainService::authTokenKey).has_value()), queue_(queue),
      keychain_(keychain), accountAPI_(accountAPI), authService_(authService) {}

void AppViewModel::loadUser(std::function<void()> done) {
    if (!isAuthenticated.get()) {
        if (done)
            done();
        return;
    }
    auto apply = weakly(
        shared_from_this(),
        [done = std::move(done)](AppViewModel& self, const ServiceResult<UserResponse>& result) {
            self.applyUserResult(result);
            if (done)
                done();
        });
    accountAPI_.fetchUser(deliverOnMain<UserResponse>(queue_, std::move(apply)));
}

void AppViewModel::applyUserResult(const ServiceResult<UserResponse>& result) {
    if (result) {
        user.set(result.value().user);
        errorMessage.set(std::nullopt);
        return;
    }
    if (result.error().is(APIError::Kind::unauthorized)) {
        localLogout();
        return;
    }
    errorMessage.set(result.error().description());
}

void AppViewModel::localLogout() {
    keychain_.remove(KeychainService::authTokenKey);
    keychain_.remove(KeychainService::userEmailKey);
    isAuthenticated.set(false);
    user.set(std::nullopt);
}

void AppViewModel::logout(std::function<void()> done) {
    auto finish = weakly(shared_from_this(),
                         [done = std::move(done)](AppViewModel& self, const ServiceResult<Done>&) {
                             self.isAuthenticated.set(false);
                             self.user.set(std::nullopt);
                             if (done)
                                 done();
                         });
    authService_.logout(
        [complete = deliverOnMain<Done>(queue_, std::move(finish))] { complete(Done{}); });
}

void AppViewModel::onLoginSuccess() {
    isAuthenticated.set(true);
    showLoginWindow.set(false);
    queue_.post(weakly(shared_from_this(), [](AppViewModel& self) { self.loadUser(); }));
}

void AppViewModel::adoptStoredSignIn() {
    const bool stored = keychain_.read(KeychainService::authTokenKey).has_value();
    isAuthenticated.set(stored);
    if (!stored) {
        user.set(std::nullopt);
        return;
    }
    loadUser();
}

void AppViewModel::showErrorMessage(std::string message) {
    errorMessage.set(std::move(message));
    queue_.postAfter(errorMessageLifetime, weakly(shared_from_this(), [](AppViewModel& self) {
                         self.errorMessage.set(std::nullopt);
                     }));
}

} // namespace scribeon
