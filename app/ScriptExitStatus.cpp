#include "app/ScriptExitStatus.h"

namespace scribeon {

ScriptExitStatus exitStatusFor(const ServiceError& error) {
    const APIError* api = error.apiError();
    if (!api)
        return ScriptExitStatus::serverFailed; // an answer that could not be decoded
    switch (api->kind()) {
    case APIError::Kind::unauthorized:
        return ScriptExitStatus::signedOut;
    case APIError::Kind::rateLimitExceeded:
    case APIError::Kind::subscriptionRequired:
    case APIError::Kind::commandLimitExceeded:
        return ScriptExitStatus::limitReached;
    case APIError::Kind::commandNotFound:
        return ScriptExitStatus::notFound;
    case APIError::Kind::textTooLong:
        return ScriptExitStatus::textTooLong;
    case APIError::Kind::networkError:
        return ScriptExitStatus::network;
    case APIError::Kind::serverError:
    case APIError::Kind::invalidResponse:
    case APIError::Kind::responseIncomplete:
        return ScriptExitStatus::serverFailed;
    case APIError::Kind::validationError:
    case APIError::Kind::unknown:
        break;
    }
    return ScriptExitStatus::failure;
}

} // namespace scribeon
