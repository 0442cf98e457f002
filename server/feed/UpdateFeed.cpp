#include "server/feed/UpdateFeed.h"

#include "base/FileName.h"
#include "server/feed/DemoPackage.h"

#include <sodium.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace scribeon::server {

namespace {

constexpr std::size_t maximumAppcastBytes = std::size_t{64} * 1024 * 1024;
constexpr std::string_view downloadsPrefix = "/downloads/";
// The demo's signing key comes from this seed. Its public half is the
// default update key of development builds, so the whole update flow can be
// tried against a local service.
constexpr char demoSeed[] = "scribeon-demo-update-signing-key";

std::string demoPayload() {
    return demoPackage(SCRIBEON_DEMO_UPDATE_VERSION);
}

std::string base64(const unsigned char* bytes, std::size_t size) {
    std::string out(sodium_base64_ENCODED_LEN(size, sodium_base64_VARIANT_ORIGINAL), '\0');
    sodium_bin2base64(out.data(), out.size(), bytes, size, sodium_base64_VARIANT_ORIGINAL);
    out.resize(out.size() - 1);
    return out;
}

std::string demoSignature(const std::string& payload) {
    static_assert(sizeof demoSeed - 1 == crypto_sign_SEEDBYTES);
    std::array<unsigned char, crypto_sign_PUBLICKEYBYTES> publicKey{};
    std::array<unsigned char, crypto_sign_SECRETKEYBYTES> secretKey{};
    crypto_sign_seed_keypair(publicKey.data(), secretKey.data(),
                             reinterpret_cast<const unsigned char*>(demoSeed));
    std::array<unsigned char, crypto_sign_BYTES> signature{};
    crypto_sign_detached(signature.data(), nullptr,
                         reinterpret_cast<const unsigned char*>(payload.data()), payload.size(),
                         secretKey.data());
    sodium_memzero(secretKey.data(), secretKey.size());
    return base64(signature.data(), signature.size());
}

std::string demoAppcast(const std::string& origin) {
    const std::string payload = demoPayload();
    std::ostringstream xml;
    xml << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<rss version=\"2.0\" "
           "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">\n"
           "<channel><title>Scribeon</title>\n<item>\n"
           "<title>Scribeon " SCRIBEON_DEMO_UPDATE_VERSION "</title>\n"
           "<sparkle:version>" SCRIBEON_DEMO_UPDATE_VERSION "</sparkle:version>\n"
           "<sparkle:shortVersionString>" SCRIBEON_DEMO_UPDATE_VERSION
           "</sparkle:shortVersionString>\n"
           "<description><![CDATA[<h3>What's new</h3><ul><li>A demo release announced by the "
           "local service.</li><li>Signed with the demo key.</li></ul>]]></description>\n"
        << "<enclosure url=\"" << origin << downloadsPrefix << UpdateFeed::demoFileName()
        << "\" length=\"" << payload.size()
        << "\" type=\"application/octet-stream\" sparkle:edSignature=\"" << demoSignature(payload)
        << "\"/>\n</item>\n</channel>\n</rss>\n";
    return xml.str();
}

std::optional<std::string> readAppcast(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes;
    std::array<char, 65536> chunk{};
    while (in.read(chunk.data(), chunk.size()) || in.gcount() > 0) {
        bytes.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > maximumAppcastBytes)
            return std::nullopt;
    }
    return bytes;
}

// Plain file names only: no directories, nothing hidden.
bool isSafeName(const std::string& name) {
    return !name.empty() && name.front() != '.' &&
           std::all_of(name.begin(), name.end(), isPlainFileNameCharacter);
}

ApiReply raw(std::string body, const char* contentType) {
    return textReply(200, std::move(body), contentType);
}

} // namespace

UpdateFeed::UpdateFeed(std::string appcastFile, std::string downloadsDirectory, bool demo)
    : appcastFile_(std::move(appcastFile)), downloadsDirectory_(std::move(downloadsDirectory)),
      demo_(demo) {}

std::string UpdateFeed::demoFileName() {
    return "scribeon_" SCRIBEON_DEMO_UPDATE_VERSION "_all.deb";
}

void UpdateFeed::setOrigin(const std::string& origin) {
    const std::lock_guard lock(mutex_);
    origin_ = origin;
}

std::optional<ApiReply> UpdateFeed::serve(const ApiRequest& request) const {
    const bool isGet = request.method == "GET" || request.method == "HEAD";
    if (request.path == "/appcast.xml")
        return isGet ? appcast() : std::nullopt;
    if (request.path.starts_with(downloadsPrefix) && isGet)
        return download(request.path.substr(downloadsPrefix.size()));
    return std::nullopt;
}

std::optional<ApiReply> UpdateFeed::appcast() const {
    if (!appcastFile_.empty()) {
        auto xml = readAppcast(appcastFile_);
        return xml ? std::optional(raw(std::move(*xml), "application/rss+xml")) : std::nullopt;
    }
    if (!demo_)
        return std::nullopt;
    const std::lock_guard lock(mutex_);
    return raw(demoAppcast(origin_), "application/rss+xml");
}

std::optional<ApiReply> UpdateFeed::download(const std::string& name) const {
    if (!isSafeName(name))
        return std::nullopt;
    if (!downloadsDirectory_.empty()) {
        std::string path = downloadsDirectory_ + "/" + name;
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error)) {
            ApiReply reply;
            reply.content = FileContent{std::move(path)};
            reply.contentType = "application/octet-stream";
            return reply;
        }
    }
    if (demo_ && name == demoFileName())
        return raw(demoPayload(), "application/octet-stream");
    return std::nullopt;
}

} // namespace scribeon::server
