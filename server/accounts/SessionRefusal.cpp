#include "server/accounts/SessionRefusal.h"

#include "wire/ServiceErrorCodes.h"

namespace scribeon::server {

namespace {

ApiReply tooManyAttempts(long long retryAfter) {
    auto reply = errorReply(429, ServiceErrorCode::tooManyAttempts,
                            "Too many sign-in attempts. Try again in " +
                                std::to_string((retryAfter + 59) / 60) + " minutes.");
    reply.headers.emplace_back("Retry-After", std::to_string(retryAfter));
    return reply;
}

} // namespace

ApiReply busyReply() {
    auto reply = errorReply(503, ServiceErrorCode::serverError,
                            "The service is busy. Try again in a moment.");
    reply.headers.emplace_back("Retry-After", "1");
    return reply;
}

ApiReply refusalReply(const SessionRefusal& refusal) {
    switch (refusal.reason) {
    case SessionRefusal::Reason::throttled:
        return tooManyAttempts(refusal.retryAfter);
    case SessionRefusal::Reason::busy:
        return busyReply();
    case SessionRefusal::Reason::wrongCredentials:
        break;
    }
    return errorReply(422, ServiceErrorCode::invalidCredentials,
                      "The e-mail or password is incorrect.");
}

} // namespace scribeon::server
