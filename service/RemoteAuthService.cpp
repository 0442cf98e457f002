#include "service/RemoteAuthService.h"

#include "service/CommandService.h"
#include "service/DeliverOnMain.h"

namespace scribeon {

RemoteAuthService::RemoteAuthService(APIClient& client, KeychainService& keychain,
                                     Preferences& preferences, MainQueue& queue)
    : client_(client), keychain_(keychain), preferences_(preferences), queue_(queue) {}

void RemoteAuthService::login(const std::string& email, const std::string& password,
                              Completion<std::string> completion) {
    client_.request<AuthResponse>(
        "/auth/sign-in", "POST", LoginRequest{email, password}, false,
        deliverOnMain<AuthResponse>(queue_, [this, email, completion = std::move(completion)](
                                                ServiceResult<AuthResponse> reply) {
            if (!reply) {
                completion(reply.error());
                return;
            }
            const auto& token = reply.value().token;
            if (!token) {
                completion(APIError::validationError(reply.value().message));
                return;
            }
            keychain_.save(*token, KeychainService::authTokenKey);
            keychain_.save(email, KeychainService::userEmailKey);
            completion(*token);
        }));
}

void RemoteAuthService::logout(std::function<void()> done) {
    client_.requestVoid(
        "/auth/sign-out", "POST", true,
        deliverOnMain<Done>(queue_, [this, done = std::move(done)](const ServiceResult<Done>&) {
            forgetAccount();
            if (done)
                done();
        }));
}

void RemoteAuthService::logoutEverywhere(Completion<Done> completion) {
    client_.requestVoid("/auth/sign-out-everywhere", "POST", true,
                        deliverOnMain<Done>(queue_, [this, completion = std::move(completion)](
                                                        const ServiceResult<Done>& reply) {
                            if (reply || reply.error().is(APIError::Kind::unauthorized))
                                forgetAccount();
                            completion(reply);
                        }));
}

void RemoteAuthService::forgetAccount() {
    keychain_.remove(KeychainService::authTokenKey);
    keychain_.remove(KeychainService::userEmailKey);
    preferences_.remove(CommandService::cachedCommandsKey);
}

} // namespace scribeon
