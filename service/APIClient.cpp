#include "service/APIClient.h"

#include "service/URLSyntax.h"
#include "wire/ServiceErrorCodes.h"

#include <algorithm>

namespace scribeon {

namespace {

std::string lowercased(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
        return c < 0x80 ? static_cast<char>(std::tolower(c)) : static_cast<char>(c);
    });
    return text;
}

} // namespace

APIClient::APIClient(HttpTransport& transport, KeychainService& keychain, std::string baseURL,
                     std::chrono::milliseconds timeout)
    : transport_(transport), keychain_(keychain), baseURL_(std::move(baseURL)), timeout_(timeout) {}

void APIClient::fetchUser(Completion<UserResponse> completion) {
    request<UserResponse>("/user", "GET", true, std::move(completion));
}

void APIClient::requestVoid(const std::string& endpoint, const std::string& method,
                            bool authenticated, Completion<Done> completion) {
    perform(endpoint, method, std::nullopt, authenticated,
            [completion = std::move(completion)](const ServiceResult<std::string>& body) {
                if (body)
                    completion(Done{});
                else
                    completion(body.error());
            });
}

void APIClient::perform(const std::string& endpoint, const std::string& method,
                        std::optional<ServiceResult<std::string>> body, bool authenticated,
                        ReplyHandler onReply) {
    HttpRequest request;
    request.url = baseURL_ + endpoint;
    if (!isWellFormedHttpURL(request.url)) {
        onReply(APIError::invalidResponse());
        return;
    }
    request.method = method;
    request.timeout = timeout_;
    request.headers = {{"Content-Type", "application/json"}, {"Accept", "application/json"}};
    if (authenticated) {
        if (auto token = keychain_.read(KeychainService::authTokenKey))
            request.headers.emplace_back("Authorization", "Bearer " + *token);
    }
    if (body) {
        if (!*body) {
            onReply(body->error());
            return;
        }
        request.body = std::move(body->value());
    }
    transport_.send(std::move(request), [onReply = std::move(onReply)](HttpOutcome outcome) {
        if (auto* error = std::get_if<TransportError>(&outcome)) {
            onReply(APIError::networkError(std::move(*error)));
            return;
        }
        auto& reply = std::get<HttpReply>(outcome);
        if (reply.status == 200) {
            onReply(std::move(reply.body));
            return;
        }
        auto errorBody = decodeBody<APIErrorResponse>(reply.body);
        onReply(
            mapError(reply.status, errorBody ? std::optional(errorBody.value()) : std::nullopt));
    });
}

APIError APIClient::mapError(long statusCode,
                             const std::optional<APIErrorResponse>& errorResponse) {
    const std::string code =
        errorResponse && errorResponse->error ? lowercased(*errorResponse->error) : std::string();
    const std::optional<std::string> message =
        errorResponse ? errorResponse->message : std::optional<std::string>();
    auto contains = [&code](std::string_view phrase) {
        return code.find(phrase) != std::string::npos;
    };

    switch (statusCode) {
    case 401:
        return APIError::unauthorized();
    case 403:
        if (contains(ServiceErrorCode::commandLimitPhrase))
            return APIError::commandLimitExceeded(message.value_or("Command limit exceeded."));
        return APIError::subscriptionRequired();
    case 404:
        return APIError::commandNotFound();
    case 422:
        if (contains(ServiceErrorCode::textTooLong) && errorResponse->textLength &&
            errorResponse->maxLength)
            return APIError::textTooLong(*errorResponse->textLength, *errorResponse->maxLength);
        if (contains(ServiceErrorCode::responseIncomplete))
            return APIError::responseIncomplete(
                message.value_or("The AI response was incomplete. Please try with shorter text."));
        return APIError::validationError(message.value_or("Validation error."));
    case 429: {
        std::optional<std::string> resetDate;
        if (errorResponse && errorResponse->limitInfo)
            resetDate = errorResponse->limitInfo->resetDate;
        return APIError::rateLimitExceeded(message.value_or("Monthly request limit exceeded."),
                                           resetDate);
    }
    default:
        if (statusCode >= 500 && statusCode <= 599)
            return APIError::serverError(statusCode);
        return APIError::unknown(statusCode, message);
    }
}

} // namespace scribeon
