#include "update/UpdateKey.h"

#include <sodium.h>

#include <array>
#include <filesystem>
#include <fstream>

// Set for this file alone by the build: whether the demo key may be trusted
// is decided here and nowhere else.
#ifndef SCRIBEON_DEMO_UPDATE_PUBLIC_KEY
#error "the build defines SCRIBEON_DEMO_UPDATE_PUBLIC_KEY"
#endif
#ifndef SCRIBEON_DEVELOPMENT_BUILD
#error "the build defines SCRIBEON_DEVELOPMENT_BUILD"
#endif

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

UpdateKeyChoice readKeyFile(const std::string& path) {
    std::ifstream in(path);
    std::string text(longestKeyFile, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    if (!isPublicKey(text))
        return {"", path + " holds no update key"};
    if (text == demoUpdatePublicKey())
        return {"", path + " holds the demo update key, whose secret is public"};
    return {text, ""};
}

} // namespace

std::string installedUpdateKeyPath(const std::string& executablePath) {
    const std::filesystem::path bin = std::filesystem::path(executablePath).parent_path();
    return (bin.parent_path() / "share" / "scribeon" / "update-key").string();
}

UpdateKeyChoice chooseUpdateKey(const std::string& executablePath, const std::string& builtInKey,
                                bool developmentBuild) {
    const std::string path = installedUpdateKeyPath(executablePath);
    std::error_code error;
    if (std::filesystem::exists(path, error) || error)
        return readKeyFile(path);
    if (builtInKey == demoUpdatePublicKey() && !developmentBuild)
        return {"", "this build's update key is the demo key, whose secret is public"};
    if (!isPublicKey(builtInKey))
        return {"", "this build has no update key"};
    return {builtInKey, ""};
}

std::string_view demoUpdatePublicKey() {
    return SCRIBEON_DEMO_UPDATE_PUBLIC_KEY;
}

bool builtForDevelopment() {
    return SCRIBEON_DEVELOPMENT_BUILD != 0;
}

} // namespace scribeon
