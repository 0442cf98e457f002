#include "server/ServiceApi.h"

#include "base/UnicodeText.h"
#include "server/BuiltinTransforms.h"
#include "server/LogText.h"
#include "server/ProcessRun.h"
#include "server/UpdateFeed.h"
#include "server/UserText.h"
#include "server/WebPages.h"
#include "wire/EventStream.h"
#include "wire/RecordCoding.h"
#include "wire/ServiceErrorCodes.h"

#include <cstdio>

namespace scribeon::server {

namespace {

constexpr std::string_view apiPrefix = "/api/v1";

std::vector<std::string> segmentsOf(std::string_view path) {
    std::vector<std::string> segments;
    std::size_t start = 0;
    while (start <= path.size()) {
        const auto end = path.find('/', start);
        segments.emplace_back(
            path.substr(start, end == std::string_view::npos ? path.npos : end - start));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return segments;
}

ApiReply methodNotAllowed(const std::string& allowed) {
    auto reply = errorReply(405, ServiceErrorCode::methodNotAllowed,
                            "Use " + allowed + " for this address.");
    reply.headers.emplace_back("Allow", allowed);
    return reply;
}

ApiReply notFound() {
    return errorReply(404, ServiceErrorCode::notFound, "There is nothing at this address.");
}

ApiReply unauthenticated() {
    return errorReply(401, ServiceErrorCode::unauthenticated, "Sign in to go on.");
}

std::optional<nlohmann::json> parseObject(const std::string& body) {
    if (!jsonDepthWithin(body, ServiceApi::maximumJsonDepth))
        return std::nullopt;
    auto json = nlohmann::json::parse(body, nullptr, false);
    if (json.is_discarded() || !json.is_object())
        return std::nullopt;
    return json;
}

std::optional<std::string> textField(const nlohmann::json& object, const char* key) {
    auto it = object.find(key);
    if (it == object.end() || !it->is_string())
        return std::nullopt;
    return it->get<std::string>();
}

// A built-in transform's whole result is its one piece of text.
class BuiltinProcessor : public Processor {
public:
    explicit BuiltinProcessor(const BuiltinTransform& transform) : transform_(transform) {}
    std::function<void()> start(const std::string& text,
                                std::shared_ptr<ProcessorListener> listener) override {
        const std::string result = transform_.apply(text);
        if (!result.empty())
            listener->text(result);
        listener->ended(std::nullopt);
        return [] {};
    }

private:
    const BuiltinTransform& transform_;
};

bool asksForStream(std::string_view accept) {
    return accept.find(eventStreamMediaType) != std::string_view::npos;
}

} // namespace

ApiReply errorReply(int status, std::string_view error, const std::string& message) {
    return {status, {{"error", error}, {"message", message}}, {}, std::nullopt, {}, std::nullopt,
            nullptr};
}

bool jsonDepthWithin(const std::string& text, std::size_t limit) {
    std::size_t depth = 0;
    bool inString = false;
    bool escaped = false;
    for (char c : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit)
                return false;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return true;
}

ServiceApi::ServiceApi(Storage& storage, const Secrets& secrets, SignInThrottle& throttle,
                       const LanguageModelSettings& languageModel, std::function<SystemTime()> now)
    : storage_(storage), secrets_(secrets), throttle_(throttle), languageModel_(languageModel),
      now_(std::move(now)) {}

ApiReply ServiceApi::handle(const ApiRequest& request) {
    try {
        return route(request);
    } catch (const StorageUnavailable& failure) {
        std::fprintf(stderr, "[scribeon-server] %s %s: the database is unavailable: %s\n",
                     logSafe(request.method, 16).c_str(), logSafe(request.path).c_str(),
                     logSafe(failure.what()).c_str());
        auto reply = errorReply(503, ServiceErrorCode::serverError,
                                "The service is unavailable for a moment. Try again later.");
        reply.headers.emplace_back("Retry-After", "1");
        return shownTo(request, std::move(reply));
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "[scribeon-server] %s %s failed: %s\n",
                     logSafe(request.method, 16).c_str(), logSafe(request.path).c_str(),
                     failure.what());
        return shownTo(request, errorReply(500, ServiceErrorCode::serverError,
                                           "Something went wrong on the server. Try again later."));
    }
}

// A person on a web page reads the failure as a page; a program gets JSON.
ApiReply ServiceApi::shownTo(const ApiRequest& request, ApiReply reply) const {
    if (webPages_ && WebPages::isPage(request.path))
        return WebPages::failurePage(reply);
    return reply;
}

ApiReply ServiceApi::route(const ApiRequest& request) {
    std::string_view path = request.path;
    if (!path.starts_with(apiPrefix)) {
        if (webPages_) {
            if (auto reply = webPages_->serve(request))
                return std::move(*reply);
        }
        if (updateFeed_) {
            if (auto reply = updateFeed_->serve(request))
                return std::move(*reply);
        }
        return notFound();
    }
    const auto segments = segmentsOf(path.substr(apiPrefix.size()));
    // segments[0] is the empty text before the first "/".
    if (segments.size() < 2 || !segments[0].empty())
        return notFound();
    const bool isPost = request.method == "POST";
    const bool isGet = request.method == "GET" || request.method == "HEAD";

    if (segments.size() == 3 && segments[1] == "auth" &&
        (segments[2] == "sign-in" || segments[2] == "sign-out" ||
         segments[2] == "sign-out-everywhere")) {
        if (!isPost)
            return methodNotAllowed("POST");
        if (segments[2] == "sign-in")
            return signIn(request);
        return signOut(request, segments[2] == "sign-out-everywhere");
    }
    const bool isUser = segments.size() == 2 && segments[1] == "user";
    const bool isList = segments.size() == 2 && segments[1] == "commands";
    const bool isAction = segments.size() == 4 && segments[1] == "commands" &&
                          !segments[2].empty() &&
                          (segments[3] == "process" || segments[3] == "toggle");
    if (!isUser && !isList && !isAction)
        return notFound();
    if (isAction ? !isPost : !isGet)
        return methodNotAllowed(isAction ? "POST" : "GET");
    const auto userId = authenticatedUser(request);
    if (!userId)
        return unauthenticated();
    if (isUser)
        return user(*userId);
    if (isList)
        return commands(*userId);
    return segments[3] == "process" ? process(*userId, segments[2], request)
                                    : toggle(*userId, segments[2]);
}

std::optional<std::int64_t> ServiceApi::authenticatedUser(const ApiRequest& request) {
    constexpr std::string_view scheme = "Bearer ";
    if (!std::string_view(request.authorization).starts_with(scheme))
        return std::nullopt;
    return userForToken(request.authorization.substr(scheme.size()));
}

std::optional<std::int64_t> ServiceApi::userForToken(const std::string& token) {
    if (token.empty())
        return std::nullopt;
    // The stored digest is compared, never the token itself.
    const auto now = now_();
    return storage_.userForToken(secrets_.tokenDigest(token), isoTimestamp(now),
                                 isoTimestamp(now - tokenLifetime),
                                 isoTimestamp(now - tokenUseResolution));
}

void ServiceApi::endSession(const std::string& token) {
    storage_.revokeToken(secrets_.tokenDigest(token));
}

// Each hash costs 64 MiB: only a few run at once, and one that cannot get a
// turn soon is answered busy rather than queued without end.
template <typename Work>
auto ServiceApi::withHashingTurn(Work work) -> std::optional<decltype(work())> {
    if (!passwordChecks_.try_acquire_for(passwordCheckWait))
        return std::nullopt;
    const struct Release {
        std::counting_semaphore<>& gate;
        ~Release() { gate.release(); }
    } release{passwordChecks_};
    return work();
}

std::optional<std::string> ServiceApi::hashNewPassword(const std::string& password) {
    return withHashingTurn([&] { return secrets_.hashPassword(password); });
}

ApiReply ServiceApi::busy() {
    auto reply = errorReply(503, ServiceErrorCode::serverError,
                            "The service is busy. Try again in a moment.");
    reply.headers.emplace_back("Retry-After", "1");
    return reply;
}

bool ServiceApi::checksPassword(const ApiRequest& request) {
    return request.method == "POST" &&
           (request.path == "/api/v1/auth/sign-in" || WebPages::checksPassword(request.path));
}

ApiReply ServiceApi::signIn(const ApiRequest& request) {
    const auto body = parseObject(request.body);
    const auto email = body ? textField(*body, "email") : std::nullopt;
    const auto password = body ? textField(*body, "password") : std::nullopt;
    if (!email || !password || email->empty())
        return errorReply(422, ServiceErrorCode::validationError,
                          "Enter your e-mail and password.");
    auto session = startSession(*email, *password, request.clientAddress);
    if (auto* refusal = std::get_if<ApiReply>(&session))
        return std::move(*refusal);
    ApiReply signedIn;
    signedIn.body = toJson(AuthResponse{"Signed in.", std::get<std::string>(session)});
    return signedIn;
}

std::variant<std::string, ApiReply> ServiceApi::startSession(const std::string& email,
                                                             const std::string& password,
                                                             const std::string& clientAddress) {
    // Refused before any work or memory. No stored address holds a control
    // character, and a database that ends text at a NUL would otherwise find
    // the account under a name the throttle counts apart.
    if (email.size() > maximumEmailBytes || hasControlCharacters(email, false))
        return errorReply(422, ServiceErrorCode::invalidCredentials,
                          "The e-mail or password is incorrect.");
    const std::string key = SignInThrottle::normalisedEmail(email);
    const auto now = SignInThrottle::Clock::now();
    const auto admission = throttle_.admit(key, clientAddress, now);
    if (!admission.admitted())
        return tooManyAttempts(admission.retryAfter);
    const PasswordCheck check = checkPassword(email, password);
    if (check.busy) {
        throttle_.settle(key, clientAddress, admission, SignInThrottle::Outcome::withdrawn, now);
        return busy();
    }
    throttle_.settle(
        key, clientAddress, admission,
        check.userId ? SignInThrottle::Outcome::succeeded : SignInThrottle::Outcome::failed, now);
    if (!check.userId)
        return errorReply(422, ServiceErrorCode::invalidCredentials,
                          "The e-mail or password is incorrect.");
    std::string token = secrets_.newToken();
    const auto issued = now_();
    storage_.addToken(secrets_.tokenDigest(token), *check.userId, isoTimestamp(issued),
                      tokensPerUser);
    storage_.sweepTokens(isoTimestamp(issued - tokenLifetime));
    return token;
}

ServiceApi::PasswordCheck ServiceApi::checkPassword(const std::string& email,
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

ApiReply ServiceApi::tooManyAttempts(long long retryAfter) {
    auto reply = errorReply(429, ServiceErrorCode::tooManyAttempts,
                            "Too many sign-in attempts. Try again in " +
                                std::to_string((retryAfter + 59) / 60) + " minutes.");
    reply.headers.emplace_back("Retry-After", std::to_string(retryAfter));
    return reply;
}

ApiReply ServiceApi::signOut(const ApiRequest& request, bool everywhere) {
    const auto userId = authenticatedUser(request);
    if (!userId)
        return unauthenticated();
    if (everywhere) {
        storage_.revokeTokensOf(*userId);
        return {200,    {{"message", "Signed out everywhere."}}, {}, std::nullopt, {}, std::nullopt,
                nullptr};
    }
    endSession(request.authorization.substr(7));
    return {200, {{"message", "Signed out."}}, {}, std::nullopt, {}, std::nullopt, nullptr};
}

ApiReply ServiceApi::user(std::int64_t userId) {
    const auto account = storage_.account(userId);
    if (!account)
        return unauthenticated();
    const auto month = utcMonthOf(now_());
    const auto used = storage_.usage(userId, month.key);
    User record;
    record.id = account->id;
    record.name = account->name;
    record.email = account->email;
    record.plan = account->plan.name;
    record.emailVerifiedAt = account->emailVerifiedAt;
    record.createdAt = account->createdAt;
    record.statistics = {used, std::max<std::int64_t>(0, account->plan.monthlyLimit - used),
                         account->plan.monthlyLimit, isoTimestamp(month.nextStart)};
    return {200, toJson(UserResponse{record}), {}, std::nullopt, {}, std::nullopt, nullptr};
}

ApiReply ServiceApi::commands(std::int64_t userId) {
    CommandsResponse response;
    for (const auto& entry : storage_.commandsFor(userId))
        response.data.push_back({entry.command.code, entry.command.name, entry.isActive});
    return {200, toJson(response), {}, std::nullopt, {}, std::nullopt, nullptr};
}

ApiReply ServiceApi::process(std::int64_t userId, const std::string& code,
                             const ApiRequest& request) {
    const auto body = parseObject(request.body);
    const auto text = body ? textField(*body, "text") : std::nullopt;
    if (!text)
        return errorReply(422, ServiceErrorCode::validationError,
                          "Send the text to process as {\"text\": \"...\"}.");
    const auto found = storage_.accountAndCommand(userId, code);
    if (!found)
        return unauthenticated();
    const auto& command = found->command;
    if (!command || !command->isActive)
        return errorReply(404, ServiceErrorCode::commandNotFound, "Command not found or inactive.");
    const Account& account = found->account;
    const auto now = now_();
    if (account.planExpiresAt) {
        const auto expiry = parseIsoTimestamp(*account.planExpiresAt);
        if (!expiry || *expiry <= now)
            return errorReply(403, ServiceErrorCode::subscriptionRequired,
                              "Your plan has expired. Renew it to go on.");
    }
    const TextSize size = measureText(*text);
    const auto length = static_cast<std::int64_t>(size.graphemes);
    if (length > account.plan.maxTextLength ||
        !withinTextBounds(
            size, text->size(),
            static_cast<std::size_t>(std::max<std::int64_t>(0, account.plan.maxTextLength)))) {
        auto reply = errorReply(422, ServiceErrorCode::textTooLong,
                                "Text is too long. Maximum " +
                                    std::to_string(account.plan.maxTextLength) + " characters.");
        reply.body["text_length"] = length;
        reply.body["max_length"] = account.plan.maxTextLength;
        return reply;
    }
    const auto month = utcMonthOf(now);
    const auto admission = storage_.admit(userId, month.key, account.plan.monthlyLimit);
    if (!admission.admitted) {
        auto reply =
            errorReply(429, ServiceErrorCode::rateLimitExceeded, "Monthly request limit exceeded.");
        reply.body["limit_info"] = {{"current_usage", admission.usage},
                                    {"monthly_limit", account.plan.monthlyLimit},
                                    {"reset_date", isoTimestamp(month.nextStart)}};
        return reply;
    }
    const ProcessResult asked{command->command.code, command->command.name, *text, {}};
    const std::string& processorName = command->command.processor;
    const bool streamed = asksForStream(request.accept);
    if (!streamed && processorName.starts_with("builtin:")) {
        if (const auto* transform = findBuiltinTransform(processorName.substr(8))) {
            ProcessResult result = asked;
            try {
                result.processedText = transform->apply(*text);
            } catch (...) {
                storage_.refund(userId, month.key);
                throw;
            }
            return {200,    toJson(ProcessResponse{result}), {}, std::nullopt, {}, std::nullopt,
                    nullptr};
        }
    }
    auto processor = processorFor(processorName);
    if (!processor) {
        storage_.refund(userId, month.key);
        return errorReply(500, ServiceErrorCode::serverError, "This command has no processor.");
    }
    ApiReply reply;
    reply.late = std::make_shared<ProcessRun>(storage_, ProcessRun::Account{userId, month.key},
                                              asked, streamed, std::move(processor));
    return reply;
}

ApiReply ServiceApi::toggle(std::int64_t userId, const std::string& code) {
    const auto account = storage_.account(userId);
    if (!account)
        return unauthenticated();
    UserCommand after;
    switch (storage_.toggle(userId, code, account->plan.activeCommandAllowance, after)) {
    case ToggleResult::notFound:
        return errorReply(404, ServiceErrorCode::commandNotFound, "Command not found or inactive.");
    case ToggleResult::limitReached:
        return errorReply(403, ServiceErrorCode::commandLimitReached,
                          "Your plan allows " +
                              std::to_string(account->plan.activeCommandAllowance) +
                              " active commands. Switch one off first.");
    case ToggleResult::toggled:
        break;
    }
    const ToggleResponse response{after.isActive ? "Command enabled." : "Command disabled.",
                                  {after.command.code, after.command.name, after.isActive}};
    return {200, toJson(response), {}, std::nullopt, {}, std::nullopt, nullptr};
}

std::unique_ptr<Processor> ServiceApi::processorFor(const std::string& processor) {
    constexpr std::string_view builtin = "builtin:";
    constexpr std::string_view llm = "llm:";
    if (processor.starts_with(builtin)) {
        if (const auto* transform = findBuiltinTransform(processor.substr(builtin.size())))
            return std::make_unique<BuiltinProcessor>(*transform);
        return nullptr;
    }
    if (processor.starts_with(llm)) {
        std::call_once(upstreamStarted_,
                       [this] { upstream_ = std::make_unique<UpstreamRequests>(); });
        return std::make_unique<ChatCompletionsProcessor>(languageModel_, *upstream_,
                                                          processor.substr(llm.size()));
    }
    return nullptr;
}

} // namespace scribeon::server
