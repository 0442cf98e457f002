#include "release/SigningKey.h"

#include <sodium.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace scribeon::release {

namespace {

static_assert(SigningKey::seedBytes == crypto_sign_SEEDBYTES);

std::string base64(const unsigned char* bytes, std::size_t size) {
    std::string out(sodium_base64_ENCODED_LEN(size, sodium_base64_VARIANT_ORIGINAL), '\0');
    sodium_bin2base64(out.data(), out.size(), bytes, size, sodium_base64_VARIANT_ORIGINAL);
    out.resize(out.size() - 1); // the terminating NUL
    return out;
}

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

Result<Done, std::string> writeNew(const std::string& path, const std::string& text) {
    // O_EXCL: an existing key is never replaced by accident.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return path + ": " + std::strerror(errno);
    const auto written = ::write(fd, text.data(), text.size());
    const bool closed = ::close(fd) == 0;
    if (written != static_cast<ssize_t>(text.size()) || !closed)
        return path + ": could not write the key";
    return Done{};
}

} // namespace

SigningKey::SigningKey(const std::array<unsigned char, seedBytes>& seed) {
    crypto_sign_seed_keypair(publicKey_.data(), secretKey_.data(), seed.data());
}

SigningKey::SigningKey(SigningKey&& other) noexcept
    : publicKey_(other.publicKey_), secretKey_(other.secretKey_) {
    sodium_memzero(other.secretKey_.data(), other.secretKey_.size());
}

SigningKey::~SigningKey() {
    sodium_memzero(secretKey_.data(), secretKey_.size());
}

Result<SigningKey, std::string> SigningKey::generate(const std::string& path) {
    if (sodium_init() < 0)
        return std::string("libsodium cannot start");
    std::array<unsigned char, seedBytes> seed{};
    randombytes_buf(seed.data(), seed.size());
    auto written = writeNew(path, base64(seed.data(), seed.size()) + "\n");
    SigningKey key(seed);
    sodium_memzero(seed.data(), seed.size());
    if (!written)
        return written.error();
    return key;
}

Result<SigningKey, std::string> SigningKey::load(const std::string& path) {
    if (sodium_init() < 0)
        return std::string("libsodium cannot start");
    std::ifstream in(path);
    if (!in)
        return path + ": cannot be read";
    std::string text = trimmed(std::string(std::istreambuf_iterator<char>(in), {}));
    std::array<unsigned char, seedBytes> seed{};
    std::size_t length = 0;
    const int status = sodium_base642bin(seed.data(), seed.size(), text.data(), text.size(),
                                         nullptr, &length, nullptr, sodium_base64_VARIANT_ORIGINAL);
    sodium_memzero(text.data(), text.size());
    if (status != 0 || length != seedBytes)
        return path + ": not a signing key (32 bytes in base64)";
    SigningKey key(seed);
    sodium_memzero(seed.data(), seed.size());
    return key;
}

std::string SigningKey::publicKeyBase64() const {
    return base64(publicKey_.data(), publicKey_.size());
}

std::string SigningKey::signatureBase64(std::string_view bytes) const {
    std::array<unsigned char, crypto_sign_BYTES> signature{};
    crypto_sign_detached(signature.data(), nullptr,
                         reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                         secretKey_.data());
    return base64(signature.data(), signature.size());
}

} // namespace scribeon::release
