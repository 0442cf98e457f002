#pragma once

#include "platform/CredentialStore.h"

#include <map>
#include <utility>

namespace scribeon {

class InMemoryCredentialStore : public CredentialStore {
public:
    bool refuseWrites = false;
    std::map<std::pair<std::string, std::string>, std::string> items;

    bool save(const std::string& service, const std::string& account,
              const std::string& secret) override {
        if (refuseWrites)
            return false;
        items[{service, account}] = secret;
        return true;
    }
    std::optional<std::string> read(const std::string& service,
                                    const std::string& account) override {
        auto it = items.find({service, account});
        if (it == items.end())
            return std::nullopt;
        return it->second;
    }
    void remove(const std::string& service, const std::string& account) override {
        items.erase({service, account});
    }
};

} // namespace scribeon
