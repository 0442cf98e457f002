#include "server/api/ServiceApi.h"

#include "base/UnicodeText.h"
#include "server/accounts/UserText.h"
#include "server/api/ProcessRun.h"
#include "server/processors/BuiltinTransforms.h"
#include "wire/EventStream.h"
#include "wire/RecordCoding.h"
#include "wire/ServiceErrorCodes.h"

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

ServiceApi::ServiceApi(Storage& storage, SessionService& sessions,
                       const LanguageModelSettings& languageModel, std::function<SystemTime()> now)
    : storage_(storage), sessions_(sessions), languageModel_(languageModel), now_(std::move(now)) {}

bool ServiceApi::isApiPath(std::string_view path) {
    return path.starts_with(apiPrefix);
}

bool ServiceApi::checksPassword(std::string_view path) {
    return path == "/api/v1/auth/sign-in";
}

ApiReply ServiceApi::notFound() {
    return errorReply(404, ServiceErrorCode::notFound, "There is nothing at this address.");
}

ApiReply ServiceApi::handle(const ApiRequest& request) {
    return route(request);
}

ApiReply ServiceApi::route(const ApiRequest& request) {
    const std::string_view path = request.path;
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
    return sessions_.userForToken(request.authorization.substr(scheme.size()));
}

ApiReply ServiceApi::signIn(const ApiRequest& request) {
    const auto body = parseObject(request.body);
    const auto email = body ? textField(*body, "email") : std::nullopt;
    const auto password = body ? textField(*body, "password") : std::nullopt;
    if (!email || !password || email->empty())
        return errorReply(422, ServiceErrorCode::validationError,
                          "Enter your e-mail and password.");
    auto session = sessions_.start(*email, *password, request.clientAddress);
    if (const auto* refusal = std::get_if<SessionRefusal>(&session))
        return refusalReply(*refusal);
    return jsonReply(200, toJson(AuthResponse{"Signed in.", std::get<std::string>(session)}));
}

ApiReply ServiceApi::signOut(const ApiRequest& request, bool everywhere) {
    const auto userId = authenticatedUser(request);
    if (!userId)
        return unauthenticated();
    if (everywhere) {
        storage_.revokeTokensOf(*userId);
        return jsonReply(200, {{"message", "Signed out everywhere."}});
    }
    sessions_.end(request.authorization.substr(7));
    return jsonReply(200, {{"message", "Signed out."}});
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
    return jsonReply(200, toJson(UserResponse{record}));
}

ApiReply ServiceApi::commands(std::int64_t userId) {
    CommandsResponse response;
    for (const auto& entry : storage_.commandsFor(userId))
        response.data.push_back({entry.command.code, entry.command.name, entry.isActive});
    return jsonReply(200, toJson(response));
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
            return jsonReply(200, toJson(ProcessResponse{result}));
        }
    }
    auto processor = processorFor(processorName);
    if (!processor) {
        storage_.refund(userId, month.key);
        return errorReply(500, ServiceErrorCode::serverError, "This command has no processor.");
    }
    return lateReply(std::make_shared<ProcessRun>(storage_, ProcessRun::Account{userId, month.key},
                                                  asked, streamed, std::move(processor)));
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
    return jsonReply(200, toJson(response));
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
