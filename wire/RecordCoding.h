#pragma once

#include "wire/CodingError.h"
#include "wire/Records.h"

#include <nlohmann/json.hpp>

#include <string_view>

namespace scribeon {

// Decoding of every reply record from a JSON value or from a reply body.
// A required field that is missing or mistyped fails the whole decode with a
// CodingError naming the key; nothing is ever partly filled.
template <typename T> Coded<T> decodeRecord(const nlohmann::json& json);
template <typename T> Coded<T> decodeBody(std::string_view body);

// Encoding of every record; absent optionals are left out.
nlohmann::json toJson(const LoginRequest& record);
nlohmann::json toJson(const AuthResponse& record);
nlohmann::json toJson(const ProcessRequest& record);
nlohmann::json toJson(const ProcessResult& record);
nlohmann::json toJson(const ProcessResponse& record);
nlohmann::json toJson(const Command& record);
nlohmann::json toJson(const CommandsResponse& record);
nlohmann::json toJson(const ToggleResponse& record);
nlohmann::json toJson(const UserStatistics& record);
nlohmann::json toJson(const User& record);
nlohmann::json toJson(const UserResponse& record);
nlohmann::json toJson(const LimitInfo& record);
nlohmann::json toJson(const APIErrorResponse& record);
nlohmann::json toJson(const ProcessDelta& record);
nlohmann::json toJson(const ProcessStreamError& record);

// A list of commands is the format of the local command cache.
nlohmann::json toJson(const std::vector<Command>& commands);
Coded<std::vector<Command>> decodeCommandList(std::string_view body);

} // namespace scribeon

namespace scribeon {

// Compact JSON text of a request body; a value that cannot be written (text
// that is not UTF-8) is a CodingError rather than an exception.
template <typename T> Coded<std::string> encodeBody(const T& record) {
    try {
        return toJson(record).dump();
    } catch (const nlohmann::json::exception& failure) {
        return CodingError{std::string("The data could not be written as JSON: ") + failure.what()};
    }
}

} // namespace scribeon
