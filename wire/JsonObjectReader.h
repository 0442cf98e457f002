#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace scribeon {

// Raised while decoding; carries a description that names the offending key
// and where it sits ("key \"is_active\" of data[1]: ...").
class JsonDecodeFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Strict, typed field access on one JSON object. Required fields must be
// present with the right type; optional fields may be missing or null.
class JsonObjectReader {
public:
    JsonObjectReader(const nlohmann::json& object, std::string path);

    std::string text(const char* key) const;
    std::optional<std::string> optionalText(const char* key) const;
    std::int64_t integer(const char* key) const;
    std::optional<std::int64_t> optionalInteger(const char* key) const;
    bool boolean(const char* key) const;

    template <typename T, typename Decode> T object(const char* key, Decode decode) const {
        return decode(JsonObjectReader(required(key), childPath(key)));
    }
    template <typename T, typename Decode>
    std::optional<T> optionalObject(const char* key, Decode decode) const {
        const nlohmann::json* value = optional(key);
        if (!value)
            return std::nullopt;
        return decode(JsonObjectReader(*value, childPath(key)));
    }
    template <typename T, typename Decode>
    std::vector<T> list(const char* key, Decode decode) const {
        const nlohmann::json& value = required(key);
        if (!value.is_array())
            fail(key, "expected an array, found " + typeName(value));
        std::vector<T> items;
        items.reserve(value.size());
        for (std::size_t i = 0; i < value.size(); ++i)
            items.push_back(
                decode(JsonObjectReader(value[i], childPath(key) + "[" + std::to_string(i) + "]")));
        return items;
    }

    static std::string typeName(const nlohmann::json& value);

private:
    const nlohmann::json& required(const char* key) const;
    const nlohmann::json* optional(const char* key) const;
    std::int64_t toInteger(const char* key, const nlohmann::json& value) const;
    std::string childPath(const char* key) const;
    [[noreturn]] void fail(const char* key, const std::string& problem) const;

    const nlohmann::json& object_;
    std::string path_;
};

} // namespace scribeon
