#pragma once

#include "base/Result.h"

#include <array>
#include <string>
#include <string_view>

namespace scribeon::release {

// The Ed25519 key that signs released packages. Its file holds the 32-byte
// seed in base64 and is readable by its owner only; the public half goes into
// the program's build (SCRIBEON_UPDATE_PUBLIC_KEY).
class SigningKey {
public:
    static constexpr std::size_t seedBytes = 32;

    // A new key written to `path`, which must not exist yet.
    static Result<SigningKey, std::string> generate(const std::string& path);
    static Result<SigningKey, std::string> load(const std::string& path);

    SigningKey(const SigningKey&) = delete;
    SigningKey& operator=(const SigningKey&) = delete;
    SigningKey(SigningKey&& other) noexcept;
    SigningKey& operator=(SigningKey&&) = delete;
    ~SigningKey();

    std::string publicKeyBase64() const;
    // The detached signature of `bytes`, in base64: what an appcast's
    // sparkle:edSignature holds.
    std::string signatureBase64(std::string_view bytes) const;

private:
    explicit SigningKey(const std::array<unsigned char, seedBytes>& seed);

    std::array<unsigned char, 32> publicKey_{};
    std::array<unsigned char, 64> secretKey_{};
};

} // namespace scribeon::release
