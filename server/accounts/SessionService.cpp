#include "server/accounts/SessionService.h"

#include "server/accounts/UserText.h"

namespace scribeon::server {

SessionService::SessionService(Storage& storage, const Secrets& secrets, SignInThrottle& throttle,
                               std::function<SystemTime()> now)
    : storage_(storage), secrets_(secrets), throttle_(throttle), now_(std::move(now)) {}

std::optional<std::int64_t> SessionService::userForToken(const std::string& token) {
    if (token.empty())
        return std::nullopt;
    // The stored digest is compared, never the token itself.
    const auto now = now_();
    return storage_.userForToken(secrets_.tokenDigest(token), isoTimestamp(now),
                                 isoTimestamp(now - tokenLifetime),
                                 isoTimestamp(now - tokenUseResolution));
}

void SessionService::end(const std::string& token) {
    storage_.revokeToken(secrets_.tokenDigest(token));
}

// Each hash costs 64 MiB: only a few run at once, and one that cannot get a
// turn soon is answered busy rather than queued without end.
template <typename Work>
auto SessionService::withHashingTurn(Work work) -> std::optional<decltype(work())> {
    if (!passwordChecks_.try_acquire_for(passwordCheckWait))
        return std::nullopt;
    const struct Release {
        std::counting_semaphore<>& gate;
        ~Release() { gate.release(); }
    } release{passwordChecks_};
    return work();
}

std::optional<std::string> SessionService::hashNewPassword(const std::string& password) {
    return withHashingTurn([&] { return secrets_.hashPassword(password); });
}

std::variant<std::string, SessionRefusal> SessionService::start(const std::string& email,
                                                                const std::string& password,
                                                                const std::string& clientAddress) {
    // Refused before any work or memory. No stored address holds a control
    // character, and a database that ends text at a NUL would otherwise find
    // the account under a name the throttle counts apart.
    if (email.size() > maximumEmailBytes || hasControlCharacters(email, false))
        return SessionRefusal{};
    const std::string key = SignInThrottle::normalisedEmail(email);
    const auto now = SignInThrottle::Clock::now();
    const auto admission = throttle_.admit(key, clientAddress, now);
    if (!admission.admitted())
        return SessionRefusal{SessionRefusal::Reason::throttled, admission.retryAfter};
    const PasswordCheck check = checkPassword(email, password);
    if (check.busy) {
        throttle_.settle(key, clientAddress, admission, SignInThrottle::Outcome::withdrawn, now);
        return SessionRefusal{SessionRefusal::Reason::busy, 0};
    }
    throttle_.settle(
        key, clientAddress, admission,
        check.userId ? SignInThrottle::Outcome::succeeded : SignInThrottle::Outcome::failed, now);
    if (!check.userId)
        return SessionRefusal{};
    std::string token = secrets_.newToken();
    const auto issued = now_();
    storage_.addToken(secrets_.tokenDigest(token), *check.userId, isoTimestamp(issued),
                      tokensPerUser);
    storage_.sweepTokens(isoTimestamp(issued - tokenLifetime));
    return token;
}

SessionService::PasswordCheck SessionService::checkPassword(const std::string& email,
                                                            const std::string& password) {
    auto checked = withHashingTurn([&]() -> PasswordCheck {
        const auto credentials = storage_.credentials(email);
        if (!credentials) {
            secrets_.verifyAgainstNobody(password);
            return {};
        }
        if (!secrets_.verifyPassword(credentials->second, password))
            return {};
        return {false, credentials->first};
    });
    return checked.value_or(PasswordCheck{true, std::nullopt});
}

} // namespace scribeon::server
