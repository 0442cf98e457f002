#include "update/UpdateKey.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

namespace scribeon {
namespace {

constexpr const char* builtIn = "hxkvCjE01Jc7LlPg33zQeQ/yAqkiuNYAjTcOlohYnnE=";
constexpr const char* released = "LUIFL+rgHwJvOv5CzgNHOevPlcaNMBieIZo5emEBoQ0=";

TEST(UpdateKeyTest, AnInstalledKeyWinsAndAMalformedOneTrustsNothing) {
    struct Case {
        const char* name;
        std::optional<std::string> file; // absent: no key file installed
        std::string expected;
    };
    const Case cases[] = {
        {"run from the build directory", std::nullopt, builtIn},
        {"a release key", std::string(released) + "\n", released},
        {"with CRLF", std::string(released) + "\r\n", released},
        {"empty", "", ""},
        {"not base64", "this is not a key\n", ""},
        {"31 bytes", "LUIFL+rgHwJvOv5CzgNHOevPlcaNMBieIZo5emEBoQ==\n", ""},
        {"a private seed's length twice", std::string(released) + released, ""},
    };
    for (const Case& c : cases) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "scribeon-prefix.XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        const std::filesystem::path prefix = pattern;
        const std::string executable = (prefix / "bin" / "scribeon").string();
        EXPECT_EQ(installedUpdateKeyPath(executable),
                  (prefix / "share" / "scribeon" / "update-key").string());
        if (c.file) {
            std::filesystem::create_directories(prefix / "share" / "scribeon");
            std::ofstream(installedUpdateKeyPath(executable), std::ios::binary) << *c.file;
        }
        EXPECT_EQ(updatePublicKey(executable, builtIn), c.expected) << c.name;
        std::filesystem::remove_all(prefix);
    }
}

} // namespace
} // namespace scribeon
