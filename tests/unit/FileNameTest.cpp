#include "base/FileName.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

TEST(FileNameTest, ADownloadIsNamedAfterTheLastSegmentAsAPlainName) {
    const std::string longStem(300, 'a');
    const std::pair<std::string, std::string> cases[] = {
        {"https://dl.example/..", "scribeon-update"},
        {"https://dl.example/.bashrc", "bashrc"},
        {"https://dl.example/...hidden.deb", "hidden.deb"},
        {"https://dl.example/a%2F..%2Fb c.deb", "a_2F.._2Fb_c.deb"},
        {"https://dl.example/caf\xC3\xA9.deb", "caf__.deb"},
        {"https://dl.example/-rf", "-rf"},
        {"https://dl.example/" + longStem + ".deb", std::string(96, 'a') + ".deb"},
        {"https://dl.example/" + longStem + "." + longStem, std::string(100, 'a')},
    };
    for (const auto& [url, expected] : cases) {
        const std::string name = downloadFileName(url);
        EXPECT_EQ(name, expected) << url;
        EXPECT_LE(name.size(), longestDownloadFileName) << url;
    }
}

// The download folder's and the updater's tests number a ".deb"; here the
// names without one extension.
TEST(FileNameTest, ATakenNameIsNumberedBeforeItsExtension) {
    EXPECT_EQ(numberedFileName("scribeon-update", 2), "scribeon-update (2)");
    EXPECT_EQ(numberedFileName("archive.tar.gz", 1), "archive.tar (1).gz");
}

} // namespace
} // namespace scribeon
