#include "release/SigningKey.h"
#include "update/UpdateSignature.h"

#include <gtest/gtest.h>

#include <cstdio>
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
    std::string path(const char* name) const { return (directory / name).string(); }
    void write(const char* name, const std::string& text) const {
        std::ofstream(path(name)) << text;
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

    std::ifstream before(path("key"));
    const std::string seed((std::istreambuf_iterator<char>(before)), {});
    EXPECT_FALSE(SigningKey::generate(path("key"))) << "an existing key was replaced";
    std::ifstream after(path("key"));
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(after)), {}), seed);
}

TEST_F(ReleaseSigningTest, WhatIsNotASeedIsRefused) {
    write("short", "c2hvcnQ=\n");
    write("text", "not base64 at all\n");
    write("long", std::string(64, 'A') + "\n");
    write("empty", "");
    for (const char* name : {"short", "text", "long", "empty", "missing"}) {
        const auto loaded = SigningKey::load(path(name));
        ASSERT_FALSE(loaded) << name;
        EXPECT_NE(loaded.error().find(path(name)), std::string::npos) << loaded.error();
    }
}

} // namespace
} // namespace scribeon::release
