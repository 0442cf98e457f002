#pragma once

#include "server/ChatCompletionsProcessor.h"
#include "server/LateReply.h"
#include "server/Secrets.h"
#include "server/SignInThrottle.h"
#include "server/Storage.h"
#include "server/UtcCalendar.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <semaphore>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace scribeon::server {

class UpdateFeed;
class WebPages;

struct ApiRequest {
    std::string method;
    std::string path; // percent-decoded, without the query
    std::string authorization;
    std::string body;
    std::string clientAddress;
    std::string cookie;      // the Cookie header, for the web pages
    std::string contentType; // of the body
    std::string accept;      // the media types the client takes
};

// nlohmann::json's move checks its invariants, which the analyser counts as
// a possible throw from the implicit noexcept move.
struct ApiReply { // NOLINT(bugprone-exception-escape)
    int status = 200;
    nlohmann::json body;
    std::vector<std::pair<std::string, std::string>> headers;
    // A reply that is not JSON (the update feed, the web pages).
    std::optional<std::string> raw;
    std::string contentType;
    // A file sent as the body, read from disk as the client takes it: a
    // release package is too large to hold in memory for every download.
    std::optional<std::string> file;
    // A body that comes later, from a processor still at work.
    std::shared_ptr<LateReply> late;
};

// The six endpoints under /api/v1, independent of the HTTP library.
class ServiceApi {
public:
    static constexpr std::size_t maximumJsonDepth = 16;
    // A token unused this long is refused and deleted; each use renews it.
    static constexpr std::chrono::hours tokenLifetime{90 * 24};
    // Uses closer together than this are not written back.
    static constexpr std::chrono::hours tokenUseResolution{1};
    // Sign-ins a user keeps at once; the least recently used go first.
    static constexpr std::size_t tokensPerUser = 20;
    // Password hashes at once, and how long a sign-in waits for a turn.
    static constexpr std::ptrdiff_t concurrentPasswordChecks = 2;
    static constexpr std::chrono::seconds passwordCheckWait{2};

    ServiceApi(Storage& storage, const Secrets& secrets, SignInThrottle& throttle,
               const LanguageModelSettings& languageModel,
               std::function<SystemTime()> now = std::chrono::system_clock::now);

    ApiReply handle(const ApiRequest& request);
    // A sign-in: it may wait seconds for a turn to hash, so a front end runs
    // it apart from requests that must stay quick.
    static bool checksPassword(const ApiRequest& request);

    // Also answers the update feed's paths; the feed outlives this object.
    void serveUpdates(const UpdateFeed& feed) { updateFeed_ = &feed; }
    // Also answers the web pages' paths; the pages outlive this object.
    void serveWebPages(WebPages& pages) { webPages_ = &pages; }

    // A sign-in, from the API or a web page: the new token, or the refusal
    // (throttled, busy, wrong password) as the API would answer it.
    std::variant<std::string, ApiReply> startSession(const std::string& email,
                                                     const std::string& password,
                                                     const std::string& clientAddress);
    std::optional<std::int64_t> userForToken(const std::string& token);
    void endSession(const std::string& token);
    // Hashed under the same bound as sign-ins; none when the service is too
    // busy to hash now.
    std::optional<std::string> hashNewPassword(const std::string& password);
    static ApiReply busy();

private:
    ApiReply route(const ApiRequest& request);
    ApiReply shownTo(const ApiRequest& request, ApiReply reply) const;
    struct PasswordCheck {
        bool busy = false;
        std::optional<std::int64_t> userId; // the account, when the password is right
    };

    ApiReply signIn(const ApiRequest& request);
    PasswordCheck checkPassword(const std::string& email, const std::string& password);
    template <typename Work> auto withHashingTurn(Work work) -> std::optional<decltype(work())>;
    static ApiReply tooManyAttempts(long long retryAfter);
    ApiReply signOut(const ApiRequest& request, bool everywhere);
    ApiReply user(std::int64_t userId);
    ApiReply commands(std::int64_t userId);
    ApiReply process(std::int64_t userId, const std::string& code, const ApiRequest& request);
    ApiReply toggle(std::int64_t userId, const std::string& code);

    std::optional<std::int64_t> authenticatedUser(const ApiRequest& request);
    std::unique_ptr<Processor> processorFor(const std::string& processor);

    Storage& storage_;
    const Secrets& secrets_;
    SignInThrottle& throttle_;
    const LanguageModelSettings& languageModel_;
    std::function<SystemTime()> now_;
    const UpdateFeed* updateFeed_ = nullptr;
    WebPages* webPages_ = nullptr;
    std::counting_semaphore<> passwordChecks_{concurrentPasswordChecks};
    // The language model's requests, started with the first that needs them;
    // they end before the storage they give counts back to.
    std::once_flag upstreamStarted_;
    std::unique_ptr<UpstreamRequests> upstream_;
};

ApiReply errorReply(int status, std::string_view error, const std::string& message);
// False when the text nests arrays and objects deeper than `limit`.
bool jsonDepthWithin(const std::string& text, std::size_t limit);

} // namespace scribeon::server
