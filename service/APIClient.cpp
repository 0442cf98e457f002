#include "service/APIClient.h"

#include "service/URLSyntax.h"
#include "wire/ServiceErrorCodes.h"

#include <algorithm>
#include <memory>

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

ServiceResult<HttpRequest> APIClient::prepare(const std::string& endpoint,
                                              const std::string& method,
                                              std::optional<ServiceResult<std::string>> body,
                                              bool authenticated) {
    HttpRequest request;
    request.url = baseURL_ + endpoint;
    if (!isWellFormedHttpURL(request.url))
        return APIError::invalidResponse();
    request.method = method;
    request.timeout = timeout_;
    request.headers = {{"Content-Type", "application/json"}, {"Accept", "application/json"}};
    if (authenticated) {
        if (auto token = keychain_.read(KeychainService::authTokenKey))
            request.headers.emplace_back("Authorization", "Bearer " + *token);
    }
    if (body) {
        if (!*body)
            return body->error();
        request.body = std::move(body->value());
    }
    return request;
}

ServiceResult<std::string> APIClient::replyBody(HttpOutcome outcome) {
    if (auto* error = std::get_if<TransportError>(&outcome))
        return APIError::networkError(std::move(*error));
    auto& reply = std::get<HttpReply>(outcome);
    if (reply.status == 200)
        return std::move(reply.body);
    auto errorBody = decodeBody<APIErrorResponse>(reply.body);
    return mapError(reply.status, errorBody ? std::optional(errorBody.value()) : std::nullopt);
}

void APIClient::perform(const std::string& endpoint, const std::string& method,
                        std::optional<ServiceResult<std::string>> body, bool authenticated,
                        ReplyHandler onReply) {
    auto request = prepare(endpoint, method, std::move(body), authenticated);
    if (!request) {
        onReply(request.error());
        return;
    }
    transport_.send(std::move(request).value(),
                    [onReply = std::move(onReply)](HttpOutcome outcome) {
                        onReply(replyBody(std::move(outcome)));
                    });
}

namespace {

bool isEventStream(const HttpReplyHead& head) {
    return head.status == 200 &&
           lowercased(head.contentType).starts_with(std::string(eventStreamMediaType));
}

// What arrived of one streamed exchange; touched only on the transport's thread.
struct StreamReading {
    EventStreamReader reader;
    bool streaming = false;
    std::string plainBody; // a reply that is not a stream, collected whole
};

} // namespace

void APIClient::requestStream(const std::string& endpoint, ServiceResult<std::string> body,
                              std::function<void(StreamEvent)> onEvent, StreamEnd onEnd,
                              Cancel cancel) {
    auto prepared = prepare(endpoint, "POST", std::move(body), true);
    if (!prepared) {
        onEnd(prepared.error());
        return;
    }
    HttpRequest request = std::move(prepared).value();
    for (auto& [name, value] : request.headers)
        if (name == "Accept")
            value = std::string(eventStreamMediaType);
    request.timeout = std::max(timeout_, streamSilenceTimeout);
    request.cancel = std::move(cancel);
    auto reading = std::make_shared<StreamReading>();
    request.onChunk = [reading, onEvent = std::move(onEvent)](const HttpReplyHead& head,
                                                              std::string_view piece) {
        reading->streaming = isEventStream(head);
        if (!reading->streaming) {
            reading->plainBody.append(piece);
            return;
        }
        for (StreamEvent& event : reading->reader.feed(piece))
            onEvent(std::move(event));
    };
    transport_.send(std::move(request), [reading, onEnd = std::move(onEnd)](HttpOutcome outcome) {
        if (auto* reply = std::get_if<HttpReply>(&outcome)) {
            if (reading->streaming) {
                if (reading->reader.failed())
                    onEnd(APIError::invalidResponse());
                else
                    onEnd(std::optional<std::string>());
                return;
            }
            reply->body = std::move(reading->plainBody);
        }
        auto plain = replyBody(std::move(outcome));
        if (plain)
            onEnd(std::optional(std::move(plain).value()));
        else
            onEnd(plain.error());
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
