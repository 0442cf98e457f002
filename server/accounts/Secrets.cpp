#include "server/accounts/Secrets.h"

#include <sodium.h>

#include <array>
#include <stdexcept>

namespace scribeon::server {

Secrets::Secrets() {
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium could not be initialised");
    nobodyHash_ = hashPassword(newToken());
}

std::string Secrets::hashPassword(const std::string& password) const {
    std::array<char, crypto_pwhash_STRBYTES> out{};
    if (crypto_pwhash_str(out.data(), password.data(), password.size(),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw std::runtime_error("out of memory while hashing a password");
    return out.data();
}

bool Secrets::verifyPassword(const std::string& storedHash, const std::string& password) const {
    return crypto_pwhash_str_verify(storedHash.c_str(), password.data(), password.size()) == 0;
}

void Secrets::verifyAgainstNobody(const std::string& password) const {
    (void)verifyPassword(nobodyHash_, password);
}

std::string Secrets::newToken() const {
    std::array<unsigned char, 32> bytes{};
    randombytes_buf(bytes.data(), bytes.size());
    std::array<char, sodium_base64_ENCODED_LEN(32, sodium_base64_VARIANT_URLSAFE_NO_PADDING)>
        text{};
    sodium_bin2base64(text.data(), text.size(), bytes.data(), bytes.size(),
                      sodium_base64_VARIANT_URLSAFE_NO_PADDING);
    return text.data();
}

std::string Secrets::tokenDigest(const std::string& token) const {
    std::array<unsigned char, crypto_generichash_BYTES> digest{};
    crypto_generichash(digest.data(), digest.size(),
                       reinterpret_cast<const unsigned char*>(token.data()), token.size(), nullptr,
                       0);
    std::array<char, crypto_generichash_BYTES * 2 + 1> hex{};
    sodium_bin2hex(hex.data(), hex.size(), digest.data(), digest.size());
    return hex.data();
}

} // namespace scribeon::server
