#include "update/UpdateKey.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

namespace scribeon {
namespace {

constexpr const char* released = "LUIFL+rgHwJvOv5CzgNHOevPlcaNMBieIZo5emEBoQ0=";
constexpr const char* otherRelease = "q6jHTv9YVeHOVKjuvvRAJdJpt8zzKJ3qWXCf+wTx6XA=";

TEST(UpdateKeyTest, AnInstalledKeyWinsAndOnlyADevelopmentBuildTrustsTheDemoKey) {
    const std::string demo(demoUpdatePublicKey());
    struct Case {
        const char* name;
        std::optional<std::string> file; // absent: no key file installed
        std::string builtIn;
        bool development;
        std::string expected; // empty: updates are off
    };
    const Case cases[] = {
        {"development, from the build directory", std::nullopt, demo, true, demo},
        {"release build, from its build directory", std::nullopt, otherRelease, false,
         otherRelease},
        {"release build made with the demo key", std::nullopt, demo, false, ""},
        {"no key built in", std::nullopt, "", true, ""},
        {"a release key over a development build", std::string(released) + "\n", demo, true,
         released},
        {"a package carrying the demo key", demo + "\n", otherRelease, false, ""},
        {"a development build packaged with the demo key", demo + "\n", demo, true, ""},
        {"with CRLF", std::string(released) + "\r\n", otherRelease, false, released},
        {"not base64", "this is not a key\n", demo, true, ""},
        {"a private seed's length twice", std::string(released) + released, demo, true, ""},
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
        const UpdateKeyChoice choice = chooseUpdateKey(executable, c.builtIn, c.development);
        EXPECT_EQ(choice.key, c.expected) << c.name;
        // Updates that are off say why, for the log.
        EXPECT_EQ(choice.problem.empty(), !c.expected.empty()) << c.name;
        std::filesystem::remove_all(prefix);
    }
}

} // namespace
} // namespace scribeon
