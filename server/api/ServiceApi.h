#pragma once

#include "server/accounts/SessionService.h"
#include "server/http/Exchange.h"
#include "server/processors/ChatCompletionsProcessor.h"
#include "server/storage/Storage.h"
#include "server/storage/UtcCalendar.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace scribeon::server {

// The six endpoints under /api/v1.
class ServiceApi {
public:
    static constexpr std::size_t maximumJsonDepth = 16;

    ServiceApi(Storage& storage, SessionService& sessions,
               const LanguageModelSettings& languageModel,
               std::function<SystemTime()> now = std::chrono::system_clock::now);

    // A request whose path is one of ours (isApiPath).
    ApiReply handle(const ApiRequest& request);
    static bool isApiPath(std::string_view path);
    // Posting to this path hashes a password.
    static bool checksPassword(std::string_view path);
    static ApiReply notFound();

private:
    ApiReply route(const ApiRequest& request);
    ApiReply signIn(const ApiRequest& request);
    ApiReply signOut(const ApiRequest& request, bool everywhere);
    ApiReply user(std::int64_t userId);
    ApiReply commands(std::int64_t userId);
    ApiReply process(std::int64_t userId, const std::string& code, const ApiRequest& request);
    ApiReply toggle(std::int64_t userId, const std::string& code);

    std::optional<std::int64_t> authenticatedUser(const ApiRequest& request);
    std::unique_ptr<Processor> processorFor(const std::string& processor);

    Storage& storage_;
    SessionService& sessions_;
    const LanguageModelSettings& languageModel_;
    std::function<SystemTime()> now_;
    // The language model's requests, started with the first that needs them;
    // they end before the storage they give counts back to.
    std::once_flag upstreamStarted_;
    std::unique_ptr<UpstreamRequests> upstream_;
};

// False when the text nests arrays and objects deeper than `limit`.
bool jsonDepthWithin(const std::string& text, std::size_t limit);

} // namespace scribeon::server
