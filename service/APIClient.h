#pragma once

#include "platform/HttpTransport.h"
#include "service/AccountAPI.h"
#include "service/KeychainService.h"
#include "wire/EventStream.h"
#include "wire/RecordCoding.h"

#include <optional>
#include <string>

namespace scribeon {

// The one gateway to the service: builds each request (URL, headers, bearer
// token read afresh, JSON body), and turns every failure into an APIError or
// a CodingError. Completions run on the transport's worker thread.
class APIClient : public AccountAPI {
public:
    static constexpr std::chrono::milliseconds defaultTimeout{60000};
    // The service waits up to two minutes for a cold model's first word; a
    // streamed run ends after a little more than that of silence.
    static constexpr std::chrono::milliseconds streamSilenceTimeout{150000};
    static std::string defaultBaseURL() { return std::string(SCRIBEON_SERVICE_ORIGIN) + "/api/v1"; }

    APIClient(HttpTransport& transport, KeychainService& keychain,
              std::string baseURL = defaultBaseURL(),
              std::chrono::milliseconds timeout = defaultTimeout);

    template <typename Reply>
    void request(const std::string& endpoint, const std::string& method, bool authenticated,
                 Completion<Reply> completion) {
        perform(endpoint, method, std::nullopt, authenticated,
                decoding<Reply>(std::move(completion)));
    }

    template <typename Reply, typename Body>
    void request(const std::string& endpoint, const std::string& method, const Body& body,
                 bool authenticated, Completion<Reply> completion) {
        perform(endpoint, method, encodeBody(body), authenticated,
                decoding<Reply>(std::move(completion)));
    }

    // How a request whose reply may come as an event stream ends: absent
    // once a stream ran to its end (its events went to `onEvent`), the body
    // of a plain 200 reply (a service that does not stream), or the error.
    using StreamEnd = std::function<void(ServiceResult<std::optional<std::string>>)>;

    // Asks for an event stream. `onEvent` gets each event as it completes and
    // `onEnd` comes last, both on the transport's thread; a cancelled
    // exchange ends with a networkError whose transport code is cancelled.
    void requestStream(const std::string& endpoint, ServiceResult<std::string> body,
                       std::function<void(StreamEvent)> onEvent, StreamEnd onEnd, Cancel cancel);

    void requestVoid(const std::string& endpoint, const std::string& method, bool authenticated,
                     Completion<Done> completion);

    void fetchUser(Completion<UserResponse> completion) override;

    static APIError mapError(long statusCode, const std::optional<APIErrorResponse>& errorResponse);

private:
    using ReplyHandler = std::function<void(ServiceResult<std::string>)>;

    template <typename Reply> ReplyHandler decoding(Completion<Reply> completion) {
        return [completion = std::move(completion)](ServiceResult<std::string> body) {
            if (!body)
                completion(body.error());
            else
                completion(decodeBody<Reply>(body.value()));
        };
    }

    // Sends the request; `onSuccess` gets the body of a 200 reply or the error.
    void perform(const std::string& endpoint, const std::string& method,
                 std::optional<ServiceResult<std::string>> body, bool authenticated,
                 ReplyHandler onReply);
    ServiceResult<HttpRequest> prepare(const std::string& endpoint, const std::string& method,
                                       std::optional<ServiceResult<std::string>> body,
                                       bool authenticated);
    static ServiceResult<std::string> replyBody(HttpOutcome outcome);

    HttpTransport& transport_;
    KeychainService& keychain_;
    std::string baseURL_;
    std::chrono::milliseconds timeout_;
};

} // namespace scribeon
