#include "release/AppcastFeed.h"
#include "release/SigningKey.h"
#include "update/UpdateSignature.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using scribeon::release::SigningKey;

const char* const usage =
    "Usage: scribeon-sign generate KEY-FILE\n"
    "       scribeon-sign public KEY-FILE\n"
    "       scribeon-sign sign KEY-FILE FILE\n"
    "       scribeon-sign verify PUBLIC-KEY FILE SIGNATURE\n"
    "       scribeon-sign appcast KEY-FILE FILE --url URL --version BUILD --short-version VERSION\n"
    "                     [--date RFC-2822-DATE] [--notes FILE]\n"
    "Signs release packages with the Ed25519 release key and writes the update\n"
    "feed the program reads. Keys and signatures are base64; verify exits 1 for\n"
    "a signature that does not match.\n";

std::optional<std::string> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int failure(const std::string& message) {
    std::fprintf(stderr, "scribeon-sign: %s\n", message.c_str());
    return 1;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

int appcast(const SigningKey& key, const std::string& file,
            const std::map<std::string, std::string>& options) {
    for (const char* required : {"--url", "--version", "--short-version"})
        if (!options.contains(required))
            return failure(std::string("appcast needs ") + required);
    const auto bytes = readFile(file);
    if (!bytes)
        return failure(file + ": cannot be read");
    scribeon::release::ReleaseEntry entry{options.at("--version"),
                                          options.at("--short-version"),
                                          options.at("--url"),
                                          bytes->size(),
                                          key.signatureBase64(*bytes),
                                          "",
                                          {}};
    if (options.contains("--date"))
        entry.date = options.at("--date");
    if (options.contains("--notes")) {
        const auto notes = readFile(options.at("--notes"));
        if (!notes)
            return failure(options.at("--notes") + ": cannot be read");
        entry.notes = lines(*notes);
    }
    std::fputs(scribeon::release::appcastFeed(entry).c_str(), stdout);
    return 0;
}

int withKey(const std::vector<std::string>& args) {
    auto key = args[0] == "generate" ? SigningKey::generate(args[1]) : SigningKey::load(args[1]);
    if (!key)
        return failure(key.error());
    if (args[0] == "generate" || args[0] == "public") {
        std::puts(key.value().publicKeyBase64().c_str());
        return 0;
    }
    if (args.size() < 3)
        return failure(args[0] + " needs a file");
    if (args[0] == "sign") {
        const auto bytes = readFile(args[2]);
        if (!bytes)
            return failure(args[2] + ": cannot be read");
        std::puts(key.value().signatureBase64(*bytes).c_str());
        return 0;
    }
    std::map<std::string, std::string> options;
    for (std::size_t i = 3; i + 1 < args.size(); i += 2)
        options[args[i]] = args[i + 1];
    return appcast(key.value(), args[2], options);
}

int verify(const std::vector<std::string>& args) {
    const auto bytes = readFile(args[2]);
    if (!bytes)
        return failure(args[2] + ": cannot be read");
    if (!scribeon::hasValidSignature(*bytes, args[3], args[1])) {
        std::puts("invalid");
        return 1;
    }
    std::puts("valid");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const bool keyMode = args.size() >= 2 && (args[0] == "generate" || args[0] == "public" ||
                                              args[0] == "sign" || args[0] == "appcast");
    if (keyMode)
        return withKey(args);
    if (args.size() == 4 && args[0] == "verify")
        return verify(args);
    std::fputs(usage, args.size() == 1 && args[0] == "--help" ? stdout : stderr);
    return args.size() == 1 && args[0] == "--help" ? 0 : 2;
}
