#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace scribeon {

// The user's settings store. A missing key or a value of another kind reads
// as absent. Writes are durable when they return true.
class Preferences {
public:
    virtual ~Preferences() = default;

    virtual std::optional<std::string> data(const std::string& key) = 0;
    virtual std::optional<std::vector<std::string>> textList(const std::string& key) = 0;
    virtual std::optional<std::map<std::string, std::string>> textMap(const std::string& key) = 0;
    virtual std::optional<std::int64_t> integer(const std::string& key) = 0;
    virtual std::optional<bool> boolean(const std::string& key) = 0;

    virtual bool setData(const std::string& key, const std::string& bytes) = 0;
    virtual bool setTextList(const std::string& key, const std::vector<std::string>& value) = 0;
    virtual bool setTextMap(const std::string& key,
                            const std::map<std::string, std::string>& value) = 0;
    virtual bool setInteger(const std::string& key, std::int64_t value) = 0;
    virtual bool setBoolean(const std::string& key, bool value) = 0;
    virtual bool remove(const std::string& key) = 0;
};

} // namespace scribeon
