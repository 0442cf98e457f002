#include "wire/JsonObjectReader.h"

#include <cmath>
#include <limits>

namespace scribeon {

JsonObjectReader::JsonObjectReader(const nlohmann::json& object, std::string path)
    : object_(object), path_(std::move(path)) {
    if (!object_.is_object())
        throw JsonDecodeFailure((path_.empty() ? std::string("the reply") : path_) +
                                ": expected an object, found " + typeName(object_));
}

std::string JsonObjectReader::typeName(const nlohmann::json& value) {
    switch (value.type()) {
    case nlohmann::json::value_t::null:
        return "null";
    case nlohmann::json::value_t::object:
        return "an object";
    case nlohmann::json::value_t::array:
        return "an array";
    case nlohmann::json::value_t::string:
        return "a string";
    case nlohmann::json::value_t::boolean:
        return "a boolean";
    case nlohmann::json::value_t::number_float:
        return "a fractional number";
    case nlohmann::json::value_t::number_integer:
    case nlohmann::json::value_t::number_unsigned:
        return "an integer";
    default:
        return "an unsupported value";
    }
}

std::string JsonObjectReader::childPath(const char* key) const {
    return path_.empty() ? std::string(key) : path_ + "." + key;
}

void JsonObjectReader::fail(const char* key, const std::string& problem) const {
    std::string where = "key \"" + std::string(key) + "\"";
    if (!path_.empty())
        where += " of " + path_;
    throw JsonDecodeFailure(where + ": " + problem);
}

const nlohmann::json& JsonObjectReader::required(const char* key) const {
    auto it = object_.find(key);
    if (it == object_.end())
        fail(key, "missing");
    if (it->is_null())
        fail(key, "required but null");
    return *it;
}

const nlohmann::json* JsonObjectReader::optional(const char* key) const {
    auto it = object_.find(key);
    if (it == object_.end() || it->is_null())
        return nullptr;
    return &*it;
}

std::string JsonObjectReader::text(const char* key) const {
    const auto& value = required(key);
    if (!value.is_string())
        fail(key, "expected a string, found " + typeName(value));
    return value.get<std::string>();
}

std::optional<std::string> JsonObjectReader::optionalText(const char* key) const {
    const auto* value = optional(key);
    if (!value)
        return std::nullopt;
    if (!value->is_string())
        fail(key, "expected a string, found " + typeName(*value));
    return value->get<std::string>();
}

std::int64_t JsonObjectReader::toInteger(const char* key, const nlohmann::json& value) const {
    if (value.is_number_unsigned()) {
        const auto unsignedValue = value.get<std::uint64_t>();
        if (unsignedValue > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            fail(key, "integer out of the signed 64-bit range");
        return static_cast<std::int64_t>(unsignedValue);
    }
    if (value.is_number_integer())
        return value.get<std::int64_t>();
    // The parser turns integers beyond 64 bits into floating point.
    if (value.is_number_float()) {
        const double number = value.get<double>();
        if (number == std::trunc(number) && std::fabs(number) >= 9.2233720368547758e18)
            fail(key, "integer out of the signed 64-bit range");
    }
    fail(key, "expected an integer, found " + typeName(value));
}

std::int64_t JsonObjectReader::integer(const char* key) const {
    return toInteger(key, required(key));
}

std::optional<std::int64_t> JsonObjectReader::optionalInteger(const char* key) const {
    const auto* value = optional(key);
    if (!value)
        return std::nullopt;
    return toInteger(key, *value);
}

bool JsonObjectReader::boolean(const char* key) const {
    const auto& value = required(key);
    if (!value.is_boolean())
        fail(key, "expected a boolean, found " + typeName(value));
    return value.get<bool>();
}

} // namespace scribeon
