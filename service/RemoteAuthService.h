#pragma once

#include "platform/MainQueue.h"
#include "platform/Preferences.h"
#include "service/APIClient.h"
#include "service/AuthService.h"
#include "service/KeychainService.h"

namespace scribeon {

class RemoteAuthService : public AuthService {
public:
    RemoteAuthService(APIClient& client, KeychainService& keychain, Preferences& preferences,
                      MainQueue& queue);

    void login(const std::string& email, const std::string& password,
               Completion<std::string> completion) override;
    void logout(std::function<void()> done) override;
    void logoutEverywhere(Completion<Done> completion) override;

private:
    void forgetAccount();

    APIClient& client_;
    KeychainService& keychain_;
    Preferences& preferences_;
    MainQueue& queue_;
};

} // namespace scribeon
