#pragma once

#include "platform/CredentialStore.h"

#include <optional>
#include <string>

namespace scribeon {

// The program's secrets ("auth_token", "user_email") in the desktop's
// credential store, all under one fixed service name.
class KeychainService {
public:
    static constexpr const char* serviceName = "app.scribeon.Scribeon";
    static constexpr const char* authTokenKey = "auth_token";
    static constexpr const char* userEmailKey = "user_email";

    explicit KeychainService(CredentialStore& store) : store_(store) {}

    bool save(const std::string& value, const std::string& key) {
        return store_.save(serviceName, key, value);
    }
    std::optional<std::string> read(const std::string& key) {
        return store_.read(serviceName, key);
    }
    void remove(const std::string& key) { store_.remove(serviceName, key); }

private:
    CredentialStore& store_;
};

} // namespace scribeon
