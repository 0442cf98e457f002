#include "release/SigningKey.h"
#include "update/UpdateKey.h"
#include "update/UpdateSignature.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace scribeon::release {
namespace {

class ReleaseSigningTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "scribeon-keys.XXXXXX");
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        directory = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(directory); }
    std::string path(const std::string& name) const { return (directory / name).string(); }
    std::string read(const char* name) const {
        std::ifstream file(path(name));
        return {std::istreambuf_iterator<char>(file), {}};
    }

    std::filesystem::path directory;
};

// Signing, verifying and a changed byte run with the release script; here
// what it does not try: another key, added bytes, the key file itself.
TEST_F(ReleaseSigningTest, TheKeyFileIsPrivateNeverOverwrittenAndItsKeyItsOwn) {
    auto generated = SigningKey::generate(path("key"));
    ASSERT_TRUE(generated) << generated.error();
    const std::string package("!<arch>\ndebian-binary\0\x01\xFF", 24);
    const std::string signature = generated.value().signatureBase64(package);
    EXPECT_FALSE(hasValidSignature(package + "x", signature, generated.value().publicKeyBase64()));
    auto other = SigningKey::generate(path("other"));
    ASSERT_TRUE(other);
    EXPECT_FALSE(hasValidSignature(package, signature, other.value().publicKeyBase64()));

    struct stat info {};
    ASSERT_EQ(::stat(path("key").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const std::string seed = read("key");
    EXPECT_FALSE(SigningKey::generate(path("key"))) << "an existing key was replaced";
    EXPECT_EQ(read("key"), seed);
}

TEST_F(ReleaseSigningTest, WhatIsNotASeedIsRefused) {
    const std::string longSeed = std::string(64, 'A') + "\n";
    const std::pair<const char*, const char*> files[] = {{"short", "c2hvcnQ=\n"},
                                                         {"text", "not base64 at all\n"},
                                                         {"long", longSeed.c_str()},
                                                         {"empty", ""},
                                                         {"missing", nullptr}};
    for (const auto& [name, text] : files) {
        if (text)
            std::ofstream(path(name)) << text;
        const auto loaded = SigningKey::load(path(name));
        ASSERT_FALSE(loaded) << name;
        EXPECT_NE(loaded.error().find(path(name)), std::string::npos) << loaded.error();
    }
}

TEST_F(ReleaseSigningTest, AnInstalledUpdateKeyWinsAndOnlyADevelopmentBuildTrustsTheDemoKey) {
    const std::string released = "LUIFL+rgHwJvOv5CzgNHOevPlcaNMBieIZo5emEBoQ0=";
    const std::string other = "q6jHTv9YVeHOVKjuvvRAJdJpt8zzKJ3qWXCf+wTx6XA=";
    const std::string demo(demoUpdatePublicKey());
    const std::optional<std::string> none; // no key file installed
    // What, the key file's text, the key built in, a development build; the
    // key chosen (empty: updates are off).
    const std::tuple<const char*, std::optional<std::string>, std::string, bool, std::string>
        cases[] = {
            {"development, from the build directory", none, demo, true, demo},
            {"release build, from its build directory", none, other, false, other},
            {"release build made with the demo key", none, demo, false, ""},
            {"no key built in", none, "", true, ""},
            {"a release key over a development build", released + "\n", demo, true, released},
            {"a package carrying the demo key", demo + "\n", other, false, ""},
            {"a development build packaged with the demo key", demo + "\n", demo, true, ""},
            {"with CRLF", released + "\r\n", other, false, released},
            {"not base64", "this is not a key\n", demo, true, ""},
            {"a private seed's length twice", released + released, demo, true, ""},
        };
    for (const auto& [name, file, builtIn, development, expected] : cases) {
        const std::filesystem::path prefix = path(name);
        const std::string executable = (prefix / "bin" / "scribeon").string();
        EXPECT_EQ(installedUpdateKeyPath(executable),
                  (prefix / "share" / "scribeon" / "update-key").string());
        if (file) {
            std::filesystem::create_directories(prefix / "share" / "scribeon");
            std::ofstream(installedUpdateKeyPath(executable), std::ios::binary) << *file;
        }
        const UpdateKeyChoice choice = chooseUpdateKey(executable, builtIn, development);
        // Updates that are off say why, for the log.
        EXPECT_EQ(std::pair(choice.key, choice.problem.empty()),
                  std::pair(expected, !expected.empty()))
            << name;
    }
}

} // namespace
} // namespace scribeon::release
