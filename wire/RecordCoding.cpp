#include "wire/RecordCoding.h"

#include "wire/JsonObjectReader.h"

namespace scribeon {

namespace {

using Json = nlohmann::json;

AuthResponse decodeAuthResponse(const JsonObjectReader& r) {
    return {r.text("message"), r.optionalText("token")};
}

ProcessResult decodeProcessResult(const JsonObjectReader& r) {
    return {r.text("code"), r.text("name"), r.text("original_text"), r.text("processed_text")};
}

ProcessResponse decodeProcessResponse(const JsonObjectReader& r) {
    return {r.object<ProcessResult>("data", decodeProcessResult)};
}

Command decodeCommand(const JsonObjectReader& r) {
    return {r.text("code"), r.text("name"), r.boolean("is_active")};
}

CommandsResponse decodeCommandsResponse(const JsonObjectReader& r) {
    return {r.list<Command>("data", decodeCommand)};
}

ToggleResponse decodeToggleResponse(const JsonObjectReader& r) {
    return {r.text("message"), r.object<Command>("data", decodeCommand)};
}

UserStatistics decodeUserStatistics(const JsonObjectReader& r) {
    return {r.integer("monthly_usage"), r.integer("remaining_requests"), r.integer("monthly_limit"),
            r.optionalText("next_reset_date")};
}

User decodeUser(const JsonObjectReader& r) {
    User user;
    user.id = r.integer("id");
    user.name = r.text("name");
    user.email = r.text("email");
    user.plan = r.text("plan");
    user.emailVerifiedAt = r.optionalText("email_verified_at");
    user.createdAt = r.text("created_at");
    user.statistics = r.object<UserStatistics>("statistics", decodeUserStatistics);
    return user;
}

UserResponse decodeUserResponse(const JsonObjectReader& r) {
    return {r.object<User>("user", decodeUser)};
}

LimitInfo decodeLimitInfo(const JsonObjectReader& r) {
    return {r.optionalInteger("current_usage"), r.optionalInteger("monthly_limit"),
            r.optionalText("reset_date")};
}

APIErrorResponse decodeAPIErrorResponse(const JsonObjectReader& r) {
    return {r.optionalText("error"), r.optionalText("message"), r.optionalInteger("text_length"),
            r.optionalInteger("max_length"),
            r.optionalObject<LimitInfo>("limit_info", decodeLimitInfo)};
}

ProcessDelta decodeProcessDelta(const JsonObjectReader& r) {
    return {r.text("text")};
}

// The error's own fields sit beside the status, as in a plain error body.
ProcessStreamError decodeProcessStreamError(const JsonObjectReader& r) {
    return {r.integer("status"), decodeAPIErrorResponse(r)};
}

template <typename T> struct Decoder;
#define SCRIBEON_DECODER(Type)                                                                     \
    template <> struct Decoder<Type> {                                                             \
        static Type decode(const JsonObjectReader& r) { return decode##Type(r); }                  \
    }
SCRIBEON_DECODER(AuthResponse);
SCRIBEON_DECODER(ProcessResult);
SCRIBEON_DECODER(ProcessResponse);
SCRIBEON_DECODER(Command);
SCRIBEON_DECODER(CommandsResponse);
SCRIBEON_DECODER(ToggleResponse);
SCRIBEON_DECODER(UserStatistics);
SCRIBEON_DECODER(User);
SCRIBEON_DECODER(UserResponse);
SCRIBEON_DECODER(LimitInfo);
SCRIBEON_DECODER(APIErrorResponse);
SCRIBEON_DECODER(ProcessDelta);
SCRIBEON_DECODER(ProcessStreamError);
#undef SCRIBEON_DECODER

template <typename Fn> auto guarded(Fn fn) -> Coded<decltype(fn())> {
    try {
        return fn();
    } catch (const JsonDecodeFailure& failure) {
        return CodingError{failure.what()};
    } catch (const Json::exception& failure) {
        return CodingError{std::string("The data is not valid JSON: ") + failure.what()};
    }
}

Json parse(std::string_view body) {
    return Json::parse(body.begin(), body.end());
}

void putOptional(Json& json, const char* key, const auto& value) {
    if (value)
        json[key] = *value;
}

} // namespace

template <typename T> Coded<T> decodeRecord(const Json& json) {
    return guarded([&] { return Decoder<T>::decode(JsonObjectReader(json, "")); });
}

template <typename T> Coded<T> decodeBody(std::string_view body) {
    return guarded([&] {
        const Json json = parse(body);
        return Decoder<T>::decode(JsonObjectReader(json, ""));
    });
}

#define SCRIBEON_INSTANTIATE(Type)                                                                 \
    template Coded<Type> decodeRecord<Type>(const Json&);                                          \
    template Coded<Type> decodeBody<Type>(std::string_view)
SCRIBEON_INSTANTIATE(AuthResponse);
SCRIBEON_INSTANTIATE(ProcessResult);
SCRIBEON_INSTANTIATE(ProcessResponse);
SCRIBEON_INSTANTIATE(Command);
SCRIBEON_INSTANTIATE(CommandsResponse);
SCRIBEON_INSTANTIATE(ToggleResponse);
SCRIBEON_INSTANTIATE(UserStatistics);
SCRIBEON_INSTANTIATE(User);
SCRIBEON_INSTANTIATE(UserResponse);
SCRIBEON_INSTANTIATE(LimitInfo);
SCRIBEON_INSTANTIATE(APIErrorResponse);
SCRIBEON_INSTANTIATE(ProcessDelta);
SCRIBEON_INSTANTIATE(ProcessStreamError);
#undef SCRIBEON_INSTANTIATE

Coded<std::vector<Command>> decodeCommandList(std::string_view body) {
    return guarded([&] {
        const Json json = parse(body);
        if (!json.is_array())
            throw JsonDecodeFailure("the command list: expected an array, found " +
                                    JsonObjectReader::typeName(json));
        std::vector<Command> commands;
        for (std::size_t i = 0; i < json.size(); ++i)
            commands.push_back(
                decodeCommand(JsonObjectReader(json[i], "[" + std::to_string(i) + "]")));
        return commands;
    });
}

Json toJson(const LoginRequest& r) {
    return {{"email", r.email}, {"password", r.password}};
}

Json toJson(const AuthResponse& r) {
    Json json{{"message", r.message}};
    putOptional(json, "token", r.token);
    return json;
}

Json toJson(const ProcessRequest& r) {
    return {{"text", r.text}};
}

Json toJson(const ProcessResult& r) {
    return {{"code", r.code},
            {"name", r.name},
            {"original_text", r.originalText},
            {"processed_text", r.processedText}};
}

Json toJson(const ProcessResponse& r) {
    return {{"data", toJson(r.data)}};
}

Json toJson(const Command& r) {
    return {{"code", r.code}, {"name", r.name}, {"is_active", r.isActive}};
}

Json toJson(const std::vector<Command>& commands) {
    Json list = Json::array();
    for (const auto& command : commands)
        list.push_back(toJson(command));
    return list;
}

Json toJson(const CommandsResponse& r) {
    return {{"data", toJson(r.data)}};
}

Json toJson(const ToggleResponse& r) {
    return {{"message", r.message}, {"data", toJson(r.data)}};
}

Json toJson(const UserStatistics& r) {
    Json json{{"monthly_usage", r.monthlyUsage},
              {"remaining_requests", r.remainingRequests},
              {"monthly_limit", r.monthlyLimit}};
    putOptional(json, "next_reset_date", r.nextResetDate);
    return json;
}

Json toJson(const User& r) {
    Json json{{"id", r.id},
              {"name", r.name},
              {"email", r.email},
              {"plan", r.plan},
              {"created_at", r.createdAt},
              {"statistics", toJson(r.statistics)}};
    putOptional(json, "email_verified_at", r.emailVerifiedAt);
    return json;
}

Json toJson(const UserResponse& r) {
    return {{"user", toJson(r.user)}};
}

Json toJson(const LimitInfo& r) {
    Json json = Json::object();
    putOptional(json, "current_usage", r.currentUsage);
    putOptional(json, "monthly_limit", r.monthlyLimit);
    putOptional(json, "reset_date", r.resetDate);
    return json;
}

Json toJson(const APIErrorResponse& r) {
    Json json = Json::object();
    putOptional(json, "error", r.error);
    putOptional(json, "message", r.message);
    putOptional(json, "text_length", r.textLength);
    putOptional(json, "max_length", r.maxLength);
    if (r.limitInfo)
        json["limit_info"] = toJson(*r.limitInfo);
    return json;
}

Json toJson(const ProcessDelta& r) {
    return {{"text", r.text}};
}

Json toJson(const ProcessStreamError& r) {
    Json json = toJson(r.body);
    json["status"] = r.status;
    return json;
}

} // namespace scribeon
