#pragma once

#include <optional>
#include <string>

namespace scribeon::server {

// Passwords as argon2id strings (libsodium, interactive limits), and bearer
// tokens: 32 random bytes in base64url, kept only as a BLAKE2b digest.
class Secrets {
public:
    Secrets(); // initialises libsodium; throws when it cannot

    std::string hashPassword(const std::string& password) const;
    bool verifyPassword(const std::string& storedHash, const std::string& password) const;
    // Costs the same as a real check, for sign-ins with an unknown e-mail.
    void verifyAgainstNobody(const std::string& password) const;

    std::string newToken() const;
    std::string tokenDigest(const std::string& token) const;

private:
    std::string nobodyHash_;
};

} // namespace scribeon::server
