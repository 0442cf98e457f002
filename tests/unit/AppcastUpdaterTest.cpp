#include "update/AppcastUpdater.h"
#include "release/SigningKey.h"

#include "tests/fakes/FakeHttpTransport.h"
#include "tests/fakes/FakeMainQueue.h"
#include "tests/fakes/InMemoryDownloadFolder.h"
#include "tests/fakes/InMemoryPreferences.h"
#include "tests/fakes/RecordingLog.h"
#include "tests/fakes/RecordingUrlOpener.h"
#include "tests/fakes/ScriptedPackageVersionReader.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace scribeon {
namespace {

using namespace std::chrono_literals;

struct ScriptedParser : AppcastParser {
    std::vector<AppcastItem> items;
    std::optional<std::string> failure;
    Result<std::vector<AppcastItem>, std::string> parse(std::string_view) override {
        if (failure)
            return *failure;
        return items;
    }
};

struct RecordingPrompt : UpdatePrompt {
    std::vector<std::string> shown;
    std::function<void()> download;
    void showChecking() override { shown.push_back("checking"); }
    void showUpToDate(const std::string& current) override {
        shown.push_back("up to date " + current);
    }
    void showFound(const AppcastItem& item, const std::string& current,
                   std::function<void()> onDownload) override {
        shown.push_back("found " + item.displayVersion + " over " + current);
        download = std::move(onDownload);
    }
    void showDownloading() override { shown.push_back("downloading"); }
    void showProgress(double fraction) override { progress.push_back(fraction); }
    std::vector<double> progress;
    void showDownloaded(const std::string& path) override { shown.push_back("downloaded " + path); }
    void showFailure(const std::string& message) override {
        shown.push_back("failure: " + message);
    }
};

// One key for the whole run; its file is only how the key is made.
const release::SigningKey& signingKey() {
    static auto key = [] {
        const std::string path = testing::TempDir() + "update-key-" + std::to_string(getpid());
        std::filesystem::remove(path);
        return release::SigningKey::generate(path);
    }();
    return key.value();
}

AppcastItem release(std::string version, std::string display) {
    AppcastItem item;
    item.version = std::move(version);
    item.displayVersion = std::move(display);
    item.enclosureURL = "https://updates.example/scribeon_" + item.displayVersion + "_amd64.deb";
    return item;
}

class AppcastUpdaterTest : public testing::Test {
public:
    void SetUp() override { makeUpdater(signingKey().publicKeyBase64()); }

    void makeUpdater(const std::string& publicKey) {
        // A fresh folder each time, for the tables of cases.
        folder = InMemoryDownloadFolder();
        packages = ScriptedPackageVersionReader();
        packages.statedVersion = "0.2.0";
        updater = AppcastUpdater::create(
            {transport, parser, preferences, queue, prompt, opener, log, folder, packages},
            {"https://updates.example/appcast.xml", "0.1.0", "0.1.0", publicKey});
        updater->setOnUpdateAvailabilityChanged(
            [this](bool available, std::optional<std::string> version) {
                reports.emplace_back(available, std::move(version));
            });
    }

    // A feed with one signed release of `payload`; the user has found it.
    void findSignedRelease(const std::string& payload, const std::string& announced = "0.2.0") {
        AppcastItem item = release("0.2.0", announced);
        item.enclosureLength = payload.size();
        if (!enclosureURL.empty())
            item.enclosureURL = enclosureURL;
        item.edSignature = signingKey().signatureBase64(payload);
        parser.items = {item};
        transport.reply(200, "<rss/>");
        updater->checkForUpdates();
        queue.runPending();
        ASSERT_TRUE(prompt.download);
    }

    FakeHttpTransport transport;
    ScriptedParser parser;
    InMemoryPreferences preferences;
    FakeMainQueue queue;
    RecordingPrompt prompt;
    RecordingUrlOpener opener;
    RecordingLog log;
    InMemoryDownloadFolder folder;
    ScriptedPackageVersionReader packages;
    std::shared_ptr<AppcastUpdater> updater;
    std::vector<std::pair<bool, std::optional<std::string>>> reports;
    std::string enclosureURL; // empty: named after the version
};

TEST_F(AppcastUpdaterTest, TheNewestLaterItemWinsWhateverItsPlaceInTheFeed) {
    using Report = std::pair<bool, std::optional<std::string>>;
    const struct {
        std::vector<AppcastItem> items;
        Report report;
        std::string shown;
    } rows[] = {
        {{release("0.1.0", "0.1.0"), release("0.3.0", "0.3"), release("0.2.0", "0.2"),
          release("0.3.0b1", "0.3 beta")},
         {true, "0.3"},
         "found 0.3 over 0.1.0"},
        {{release("0.1.0", "0.1.0"), release("0.1.0b2", "0.1 beta")},
         {false, std::nullopt},
         "up to date 0.1.0"},
    };
    for (const auto& row : rows) {
        SetUp();
        reports.clear();
        parser.items = row.items;
        transport.reply(200, "<rss/>");
        updater->checkForUpdates();
        queue.runPending();
        EXPECT_EQ(reports, std::vector<Report>{row.report});
        EXPECT_EQ(prompt.shown.back(), row.shown);
    }
    EXPECT_EQ(transport.requests.at(0).url, "https://updates.example/appcast.xml");
}

TEST_F(AppcastUpdaterTest, FailedChecksReportNothingAndTellOnlyTheUserWhoAsked) {
    const std::function<void(AppcastUpdaterTest&)> failures[] = {
        [](AppcastUpdaterTest& t) {
            t.transport.fail({TransportError::Code::timedOut, "slow"});
        },
        [](AppcastUpdaterTest& t) { t.transport.reply(404, "gone"); },
        [](AppcastUpdaterTest& t) {
            t.parser.failure = "not well-formed";
            t.transport.reply(200, "<rss");
        },
        [](AppcastUpdaterTest& t) {
            t.transport.reply(200, std::string(AppcastUpdater::maxFeedBytes + 1, ' '));
        },
    };
    for (const auto& fail : failures) {
        SetUp();
        fail(*this);
        updater->checkForUpdates();
        queue.runPending();
        EXPECT_TRUE(reports.empty());
        EXPECT_EQ(prompt.shown.back().rfind("failure: Could not check for updates: ", 0), 0u)
            << prompt.shown.back();
    }
}

// On when never set; the preference stops and restarts them.
TEST_F(AppcastUpdaterTest, AutomaticChecksRunShortlyAfterLaunchThenDailyWithoutADialog) {
    EXPECT_TRUE(updater->automaticallyChecksForUpdates());
    parser.items = {release("0.2.0", "0.2")};
    updater->startUpdater();
    queue.advance(AppcastUpdater::launchCheckDelay - 1ms);
    EXPECT_TRUE(transport.requests.empty());
    queue.advance(1ms);
    EXPECT_EQ(transport.requests.size(), 1u);
    EXPECT_EQ(reports, (decltype(reports){{true, "0.2"}}));
    EXPECT_TRUE(prompt.shown.empty());
    queue.advance(AppcastUpdater::checkInterval);
    EXPECT_EQ(transport.requests.size(), 2u);
    updater->setAutomaticallyChecksForUpdates(false);
    EXPECT_EQ(preferences.boolean(AppcastUpdater::automaticChecksKey), false);
    queue.advance(AppcastUpdater::checkInterval * 2);
    EXPECT_EQ(transport.requests.size(), 2u);
    updater->setAutomaticallyChecksForUpdates(true);
    queue.advance(AppcastUpdater::launchCheckDelay);
    EXPECT_EQ(transport.requests.size(), 3u);

    // Stored off at launch: no check until asked.
    preferences.setBoolean(AppcastUpdater::automaticChecksKey, false);
    makeUpdater(signingKey().publicKeyBase64());
    updater->startUpdater();
    queue.advance(AppcastUpdater::checkInterval * 2);
    EXPECT_EQ(transport.requests.size(), 3u);
}

TEST_F(AppcastUpdaterTest, ASignedDownloadIsSavedThenOpened) {
    const std::string payload(1000, 'p');
    findSignedRelease(payload);
    transport.holding = true;
    transport.reply(200, payload);
    prompt.download();
    transport.requests.back().onProgress(300);
    transport.requests.back().onProgress(301); // the same whole percent is told once
    transport.requests.back().onProgress(1000);
    transport.releaseNext();
    queue.runPending();
    EXPECT_EQ(prompt.progress, (std::vector<double>{0.0, 0.3, 1.0}));
    const std::string path = folder.directory + "/scribeon_0.2.0_amd64.deb";
    EXPECT_EQ(prompt.shown.back(), "downloaded " + path);
    EXPECT_EQ(opener.files, std::vector<std::string>{path});
    EXPECT_TRUE(folder.staged.empty());
    // The version was read from the staged bytes, before they got a name.
    ASSERT_EQ(packages.read.size(), 1u);
    EXPECT_NE(packages.read[0], path);
}

// The user's own file of the same name stays as it was; the download gets
// a name of its own, a plain one whatever the address, and that is opened.
TEST_F(AppcastUpdaterTest, TheDownloadGetsAPlainNameOfItsOwn) {
    const struct {
        std::string url, opened;
    } rows[] = {
        {"https://updates.example/scribeon_0.2.0_amd64.deb", "scribeon_0.2.0_amd64 (1).deb"},
        {"https://updates.example/a/..%2F..%2F.bashrc?x=/etc/passwd", "_2F.._2F.bashrc"},
    };
    for (const auto& row : rows) {
        SetUp();
        opener.files.clear();
        folder.files["scribeon_0.2.0_amd64.deb"] = "the user's";
        enclosureURL = row.url;
        findSignedRelease("a package");
        transport.reply(200, "a package");
        prompt.download();
        queue.runPending();
        EXPECT_EQ(opener.files, std::vector<std::string>{folder.directory + "/" + row.opened});
        EXPECT_EQ(folder.files.at("scribeon_0.2.0_amd64.deb"), "the user's");
        EXPECT_EQ(folder.files.at(row.opened), "a package");
    }
}

// Whatever goes wrong, the folder holds what it held before: nothing the
// user had is removed and nothing of the download is left.
TEST_F(AppcastUpdaterTest, ARefusedDownloadLeavesTheFolderAsItWas) {
    const auto set = [](std::optional<std::string> InMemoryDownloadFolder::*failure) {
        return [failure](AppcastUpdaterTest& t) { t.folder.*failure = "disk full"; };
    };
    const struct {
        const char* name;
        std::string served, says;
        std::string stated = "0.2.0"; // by the package, and announced by the feed
        std::function<void(AppcastUpdaterTest&)> arrange = nullptr;
    } cases[] = {
        {"tampered", "a packagE", "not signed by Scribeon"},
        {"unsigned in the feed", "a package", "not signed by Scribeon", "0.2.0",
         [](AppcastUpdaterTest& t) {
             t.parser.items[0].edSignature.clear();
             t.transport.reply(200, "<rss/>");
             t.updater->checkForUpdates();
             t.queue.runPending();
         }},
        {"short", "a pack", "does not have the announced size"},
        {"not a package", "a package", "is not a Scribeon package", "0.2.0",
         [](AppcastUpdaterTest& t) { t.packages.failure = "dpkg-deb cannot read it"; }},
        {"an older signed package announced as new", "a package",
         "is version 0.0.9, not the announced 0.2.0", "0.2.0",
         [](AppcastUpdaterTest& t) { t.packages.statedVersion = "0.0.9"; }},
        {"a later build of another version", "a package",
         "is version 0.2.0.1, not the announced 0.2.0", "0.2.0",
         [](AppcastUpdaterTest& t) { t.packages.statedVersion = "0.2.0.1"; }},
        // The feed's build number is newer, but not what the package states.
        {"this version again", "a package", "is not newer", "0.1.0"},
        {"a beta of this version", "a package", "is not newer", "0.1.0b1"},
        {"cannot stage", "a package", "disk full", "0.2.0",
         set(&InMemoryDownloadFolder::stageFailure)},
        {"cannot publish", "a package", "disk full", "0.2.0",
         set(&InMemoryDownloadFolder::publishFailure)},
    };
    for (const auto& c : cases) {
        SetUp();
        packages.statedVersion = c.stated;
        folder.files["scribeon_0.2.0_amd64.deb"] = "left by an earlier try";
        folder.files["notes.txt"] = "the user's";
        const auto before = folder.files;
        findSignedRelease("a package", c.stated);
        if (c.arrange)
            c.arrange(*this);
        transport.reply(200, c.served);
        prompt.download();
        queue.runPending();
        EXPECT_NE(prompt.shown.back().find(c.says), std::string::npos)
            << c.name << ": " << prompt.shown.back();
        EXPECT_EQ(folder.files, before) << c.name;
        EXPECT_TRUE(folder.staged.empty()) << c.name;
        EXPECT_TRUE(opener.files.empty()) << c.name;
    }
}

TEST_F(AppcastUpdaterTest, WithoutATrustedKeyNothingIsCheckedOrDownloaded) {
    makeUpdater("");
    updater->startUpdater();
    updater->setAutomaticallyChecksForUpdates(true);
    queue.advance(AppcastUpdater::checkInterval * 2);
    updater->checkForUpdates();
    queue.runPending();
    EXPECT_TRUE(transport.requests.empty());
    EXPECT_TRUE(reports.empty());
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_NE(prompt.shown[0].find("no trusted update key"), std::string::npos);
}

TEST_F(AppcastUpdaterTest, AnOversizedAnnouncementIsRefusedBeforeDownloading) {
    AppcastItem item = release("0.2.0", "0.2.0");
    item.enclosureLength = AppcastUpdater::maxDownloadBytes + 1;
    parser.items = {item};
    transport.reply(200, "<rss/>");
    updater->checkForUpdates();
    queue.runPending();
    prompt.download();
    EXPECT_EQ(transport.requests.size(), 1u);
    EXPECT_EQ(prompt.shown.back().rfind("failure: ", 0), 0u);
}

TEST_F(AppcastUpdaterTest, ReportsAfterTheUpdaterIsGoneAreDropped) {
    transport.holding = true;
    updater->checkForUpdates();
    updater.reset();
    transport.releaseNext();
    queue.runPending();
    EXPECT_TRUE(reports.empty());
}

} // namespace
} // namespace scribeon
