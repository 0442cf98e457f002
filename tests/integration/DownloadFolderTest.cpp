#include "platform/linux/DpkgPackageVersionReader.h"
#include "platform/linux/LinuxDownloadFolder.h"
#include "server/feed/DemoPackage.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>

namespace scribeon {
namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void write(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// What each entry is, hidden ones included, without following links: a
// link's target, a file's contents.
std::map<std::string, std::string> snapshot(const fs::path& directory) {
    std::map<std::string, std::string> found;
    for (const auto& entry : fs::directory_iterator(directory)) {
        const fs::path& path = entry.path();
        found[path.filename().string()] = entry.is_symlink()
                                              ? "link to " + fs::read_symlink(path).string()
                                          : entry.is_regular_file() ? "file " + contents(path)
                                                                    : "other";
    }
    return found;
}

class DownloadFolderTest : public testing::Test {
public:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "scribeon-downloads.XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root = pattern;
        downloads = root / "Downloads";
        elsewhere = root / "elsewhere";
        fs::create_directories(downloads);
        fs::create_directories(elsewhere);
    }
    void TearDown() override { fs::remove_all(root); }

    fs::path root, downloads, elsewhere;
};

TEST_F(DownloadFolderTest, PublishingNeverReplacesOrFollowsWhatIsThere) {
    const struct {
        const char* name;
        std::function<void()> arrange;
        std::string published;
    } cases[] = {
        {"a free name", [] {}, "scribeon.deb"},
        {"a file of the user's", [this] { write(downloads / "scribeon.deb", "mine"); },
         "scribeon (1).deb"},
        {"a link to a file elsewhere",
         [this] {
             write(elsewhere / "victim", "precious");
             fs::create_symlink(elsewhere / "victim", downloads / "scribeon.deb");
         },
         "scribeon (1).deb"},
        {"a dangling link",
         [this] { fs::create_symlink(elsewhere / "absent", downloads / "scribeon.deb"); },
         "scribeon (1).deb"},
        {"two numbers taken",
         [this] {
             write(downloads / "scribeon.deb", "mine");
             fs::create_directory(downloads / "scribeon (1).deb");
         },
         "scribeon (2).deb"},
    };
    for (const auto& c : cases) {
        TearDown();
        SetUp();
        c.arrange();
        const auto before = snapshot(downloads);
        const auto elsewhereBefore = snapshot(elsewhere);
        LinuxDownloadFolder folder(downloads.string());
        const auto staged = folder.stage("the package");
        ASSERT_TRUE(staged) << c.name << ": " << staged.error().reason;
        const auto published = folder.publish(staged.value(), "scribeon.deb");
        ASSERT_TRUE(published) << c.name << ": " << published.error().reason;
        EXPECT_EQ(published.value(), (downloads / c.published).string()) << c.name;
        auto expected = before;
        expected[c.published] = "file the package";
        EXPECT_EQ(snapshot(downloads), expected) << c.name;
        EXPECT_EQ(snapshot(elsewhere), elsewhereBefore) << c.name;
    }
}

// Staged privately, a rename away from its name; only a plain name
// publishes it, and discarding it leaves nothing.
TEST_F(DownloadFolderTest, AStagedFileIsPrivateAndPublishedUnderAPlainNameOnly) {
    write(downloads / "notes.txt", "mine");
    const auto before = snapshot(downloads);
    LinuxDownloadFolder folder(downloads.string());
    const auto staged = folder.stage(std::string("bytes\0and more", 14));
    ASSERT_TRUE(staged) << staged.error().reason;
    const fs::path path = staged.value();
    EXPECT_EQ(path.parent_path(), downloads);
    EXPECT_EQ(path.filename().string().front(), '.');
    struct stat status {};
    ASSERT_EQ(::lstat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode, S_IFREG | 0600u);
    EXPECT_EQ(contents(path), std::string("bytes\0and more", 14));
    for (const std::string name : {"../escape.deb", ".hidden", "", "a/b"})
        EXPECT_FALSE(folder.publish(staged.value(), name)) << name;
    folder.discard(staged.value());
    EXPECT_EQ(snapshot(downloads), before);
    EXPECT_EQ(snapshot(root).size(), 2u) << "nothing beside the folder";
}

TEST_F(DownloadFolderTest, AFolderThatCannotBeMadeFailsWithoutTouchingAnything) {
    write(root / "a file", "mine");
    LinuxDownloadFolder folder((root / "a file" / "Downloads").string());
    const auto staged = folder.stage("the package");
    ASSERT_FALSE(staged);
    EXPECT_NE(staged.error().reason.find("a file"), std::string::npos) << staged.error().reason;
    EXPECT_EQ(contents(root / "a file"), "mine");
}

TEST_F(DownloadFolderTest, DpkgReadsThePackagesOwnVersion) {
    write(root / "demo.deb", server::demoPackage("0.2.0"));
    // A package as dpkg-deb itself builds it, with a compressed control member.
    fs::create_directories(root / "tree" / "DEBIAN");
    write(root / "tree" / "DEBIAN" / "control",
          "Package: scribeon\nVersion: 1:1.2.3-4~rc1\nArchitecture: all\n"
          "Maintainer: Scribeon <packages@scribeon.app>\nDescription: test\n test\n");
    const std::string build = "dpkg-deb --root-owner-group -Zzstd --build '" +
                              (root / "tree").string() + "' '" + (root / "built.deb").string() +
                              "' >/dev/null";
    ASSERT_EQ(std::system(build.c_str()), 0);
    write(root / "text.deb", "Scribeon 0.2.0 (demo)\n");
    write(root / "truncated.deb", server::demoPackage("0.2.0").substr(0, 200));

    DpkgPackageVersionReader reader;
    const struct {
        const char* file;
        std::string version; // empty: refused
    } cases[] = {
        {"demo.deb", "0.2.0"}, {"built.deb", "1:1.2.3-4~rc1"},
        {"text.deb", ""},      {"truncated.deb", ""},
        {"absent.deb", ""},
    };
    for (const auto& c : cases) {
        const auto version = reader.version((root / c.file).string());
        EXPECT_EQ(version ? version.value() : "", c.version)
            << c.file << ": " << (version ? "" : version.error().reason);
    }
    EXPECT_FALSE(
        DpkgPackageVersionReader("scribeon-no-such-program").version((root / "demo.deb").string()));
    const fs::path hanging = root / "hanging-reader";
    write(hanging, "#!/bin/sh\nexec sleep 60\n");
    fs::permissions(hanging, fs::perms::owner_all);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(DpkgPackageVersionReader(hanging.string(), std::chrono::milliseconds(300))
                     .version((root / "demo.deb").string()));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10))
        << "a reader that hangs is stopped at its deadline";
}

} // namespace
} // namespace scribeon
