#pragma once

#include "server/accounts/Secrets.h"
#include "server/accounts/SessionRefusal.h"
#include "server/accounts/SignInThrottle.h"
#include "server/storage/Storage.h"
#include "server/storage/UtcCalendar.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <semaphore>
#include <string>
#include <variant>

namespace scribeon::server {

// Sign-ins and the tokens they hand out, for the API and the web pages
// alike: start a session, find the user a token belongs to, end it. Password
// hashes run under one bound shared with sign-up.
class SessionService {
public:
    // A token unused this long is refused and deleted; each use renews it.
    static constexpr std::chrono::hours tokenLifetime{90 * 24};
    // Uses closer together than this are not written back.
    static constexpr std::chrono::hours tokenUseResolution{1};
    // Sign-ins a user keeps at once; the least recently used go first.
    static constexpr std::size_t tokensPerUser = 20;
    // Password hashes at once, and how long a sign-in waits for a turn.
    static constexpr std::ptrdiff_t concurrentPasswordChecks = 2;
    static constexpr std::chrono::seconds passwordCheckWait{2};

    SessionService(Storage& storage, const Secrets& secrets, SignInThrottle& throttle,
                   std::function<SystemTime()> now = std::chrono::system_clock::now);

    // The new token, or why there is none.
    std::variant<std::string, SessionRefusal>
    start(const std::string& email, const std::string& password, const std::string& clientAddress);
    std::optional<std::int64_t> userForToken(const std::string& token);
    void end(const std::string& token);
    // Hashed under the same bound as sign-ins; none when the service is too
    // busy to hash now.
    std::optional<std::string> hashNewPassword(const std::string& password);

private:
    struct PasswordCheck {
        bool busy = false;
        std::optional<std::int64_t> userId; // the account, when the password is right
    };
    PasswordCheck checkPassword(const std::string& email, const std::string& password);
    template <typename Work> auto withHashingTurn(Work work) -> std::optional<decltype(work())>;

    Storage& storage_;
    const Secrets& secrets_;
    SignInThrottle& throttle_;
    std::function<SystemTime()> now_;
    std::counting_semaphore<> passwordChecks_{concurrentPasswordChecks};
};

} // namespace scribeon::server
