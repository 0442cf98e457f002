#include "update/UpdateKey.h"

#include <sodium.h>

#include <array>
#include <filesystem>
#include <fstream>

namespace scribeon {

namespace {

constexpr std::size_t longestKeyFile = 256;

bool isPublicKey(const std::string& base64) {
    std::array<unsigned char, crypto_sign_PUBLICKEYBYTES> key{};
    std::size_t length = 0;
    return sodium_base642bin(key.data(), key.size(), base64.data(), base64.size(), nullptr, &length,
                             nullptr, sodium_base64_VARIANT_ORIGINAL) == 0 &&
           length == key.size();
}

} // namespace

std::string installedUpdateKeyPath(const std::string& executablePath) {
    const std::filesystem::path bin = std::filesystem::path(executablePath).parent_path();
    return (bin.parent_path() / "share" / "scribeon" / "update-key").string();
}

std::string updatePublicKey(const std::string& executablePath, const std::string& builtInKey) {
    const std::string path = installedUpdateKeyPath(executablePath);
    std::error_code error;
    if (!std::filesystem::exists(path, error) && !error)
        return builtInKey;
    std::ifstream in(path);
    std::string text(longestKeyFile, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return isPublicKey(text) ? text : std::string();
}

} // namespace scribeon
