#pragma once

#include "platform/Preferences.h"

#include <variant>

namespace scribeon {

class InMemoryPreferences : public Preferences {
public:
    using Value = std::variant<std::string, std::vector<std::string>,
                               std::map<std::string, std::string>, std::int64_t, bool, double>;
    // Tests may plant a value of any kind, e.g. a double where text is expected.
    std::map<std::string, Value> values;

    std::optional<std::string> data(const std::string& key) override {
        return get<std::string>(key);
    }
    std::optional<std::vector<std::string>> textList(const std::string& key) override {
        return get<std::vector<std::string>>(key);
    }
    std::optional<std::map<std::string, std::string>> textMap(const std::string& key) override {
        return get<std::map<std::string, std::string>>(key);
    }
    std::optional<std::int64_t> integer(const std::string& key) override {
        return get<std::int64_t>(key);
    }
    std::optional<bool> boolean(const std::string& key) override { return get<bool>(key); }

    bool setData(const std::string& key, const std::string& bytes) override {
        return put(key, bytes);
    }
    bool setTextList(const std::string& key, const std::vector<std::string>& value) override {
        return put(key, value);
    }
    bool setTextMap(const std::string& key,
                    const std::map<std::string, std::string>& value) override {
        return put(key, value);
    }
    bool setInteger(const std::string& key, std::int64_t value) override { return put(key, value); }
    bool setBoolean(const std::string& key, bool value) override { return put(key, value); }
    bool remove(const std::string& key) override {
        values.erase(key);
        return true;
    }

private:
    bool put(const std::string& key, Value value) {
        values[key] = std::move(value);
        return true;
    }
    template <typename T> std::optional<T> get(const std::string& key) const {
        const auto it = values.find(key);
        if (it == values.end() || !std::holds_alternative<T>(it->second))
            return std::nullopt;
        return std::get<T>(it->second);
    }
};

} // namespace scribeon
