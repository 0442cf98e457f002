#include "update/UpdateSignature.h"

#include <sodium.h>

#include <array>
#include <cstddef>

namespace scribeon {

namespace {

template <std::size_t N>
bool decodeExactly(std::string_view base64, std::array<unsigned char, N>& out) {
    std::size_t length = 0;
    const int status = sodium_base642bin(out.data(), out.size(), base64.data(), base64.size(),
                                         nullptr, &length, nullptr, sodium_base64_VARIANT_ORIGINAL);
    return status == 0 && length == N;
}

} // namespace

bool hasValidSignature(std::string_view bytes, std::string_view signatureBase64,
                       std::string_view publicKeyBase64) {
    if (sodium_init() < 0)
        return false;
    std::array<unsigned char, crypto_sign_BYTES> signature{};
    std::array<unsigned char, crypto_sign_PUBLICKEYBYTES> key{};
    if (!decodeExactly(signatureBase64, signature) || !decodeExactly(publicKeyBase64, key))
        return false;
    return crypto_sign_verify_detached(signature.data(),
                                       reinterpret_cast<const unsigned char*>(bytes.data()),
                                       bytes.size(), key.data()) == 0;
}

} // namespace scribeon
