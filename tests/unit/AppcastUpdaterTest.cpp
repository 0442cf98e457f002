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
using Report = std::pair<bool, std::optional<std::string>>;

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
    std::vector<double> progress;
    std::function<void()> download;
    void showChecking() override { shown.push_back("checking"); }
    void showUpToDate(const std::string& v) override { shown.push_back("up to date " + v); }
    void showFound(const AppcastItem& item, const std::string& current,
                   std::function<void()> onDownload) override {
        shown.push_back("found " + item.displayVersion + " over " + current);
        download = std::move(onDownload);
    }
    void showDownloading() override { shown.push_back("downloading"); }
    void showProgress(double fraction) override { progress.push_back(fraction); }
    void showDownloaded(const std::string& path) override { shown.push_back("downloaded " + path); }
    void showFailure(const std::string& text) override { shown.push_back("failure: " + text); }
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

AppcastItem release(const std::string& version, const std::string& display) {
    AppcastItem item;
    item.version = version;
    item.displayVersion = display;
    item.enclosureURL = "https://updates.example/scribeon_" + display + "_amd64.deb";
    return item;
}

class AppcastUpdaterTest : public testing::Test {
public:
    void SetUp() override { makeUpdater(signingKey().publicKeyBase64()); }

    // A fresh folder, package reader, reports and opener each time, for the tables.
    void makeUpdater(const std::string& publicKey) {
        folder = InMemoryDownloadFolder();
        packages = ScriptedPackageVersionReader();
        packages.statedVersion = "0.2.0";
        reports.clear();
        opener.files.clear();
        updater = AppcastUpdater::create(
            {transport, parser, preferences, queue, prompt, opener, log, folder, packages},
            {"https://updates.example/appcast.xml", "0.1.0", "0.1.0", publicKey});
        updater->setOnUpdateAvailabilityChanged(
            [this](bool available, std::optional<std::string> version) {
                reports.emplace_back(available, std::move(version));
            });
    }

    // The user asks, and the feed answers with `items`.
    void check(std::vector<AppcastItem> items) {
        parser.items = std::move(items);
        transport.reply(200, "<rss/>");
        updater->checkForUpdates();
        queue.runPending();
    }

    // A feed with one signed release of `payload`; the user has found it.
    void findSignedRelease(const std::string& payload, const std::string& announced = "0.2.0") {
        AppcastItem item = release("0.2.0", announced);
        item.enclosureLength = payload.size();
        item.edSignature = signingKey().signatureBase64(payload);
        check({item});
        ASSERT_TRUE(prompt.download);
    }

    // The user downloads what the service serves.
    void download(const std::string& served) {
        transport.reply(200, served);
        prompt.download();
        queue.runPending();
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
    std::vector<Report> reports;
};

TEST_F(AppcastUpdaterTest, TheNewestLaterItemWinsWhateverItsPlaceInTheFeed) {
    const std::tuple<std::vector<AppcastItem>, Report, std::string> rows[] = {
        {{release("0.1.0", "0.1.0"), release("0.3.0", "0.3"), release("0.2.0", "0.2"),
          release("0.3.0b1", "0.3 beta")},
         {true, "0.3"},
         "found 0.3 over 0.1.0"},
        {{release("0.1.0", "0.1.0"), release("0.1.0b2", "0.1 beta")},
         {false, {}},
         "up to date 0.1.0"},
    };
    for (const auto& [items, report, shown] : rows) {
        SetUp();
        check(items);
        EXPECT_EQ(reports, std::vector<Report>{report});
        EXPECT_EQ(prompt.shown.back(), shown);
    }
    EXPECT_EQ(transport.requests.at(0).url, "https://updates.example/appcast.xml");
}

TEST_F(AppcastUpdaterTest, FailedChecksReportNothingAndTellOnlyTheUserWhoAsked) {
    const std::tuple<HttpOutcome, std::optional<std::string>> rows[] = {
        {TransportError{TransportError::Code::timedOut, "slow"}, {}},
        {HttpReply{404, "gone"}, {}},
        {HttpReply{200, "<rss"}, "not well-formed"},
        {HttpReply{200, std::string(AppcastUpdater::maxFeedBytes + 1, ' ')}, {}},
    };
    for (const auto& [outcome, parserFailure] : rows) {
        SetUp();
        parser.failure = parserFailure;
        transport.script = {outcome};
        updater->checkForUpdates();
        queue.runPending();
        EXPECT_TRUE(reports.empty());
        EXPECT_EQ(prompt.shown.back().rfind("failure: Could not check for updates: ", 0), 0u)
            << prompt.shown.back();
    }
}

TEST_F(AppcastUpdaterTest, WithoutATrustedKeyNothingIsChecked) {
    makeUpdater("");
    updater->startUpdater();
    updater->setAutomaticallyChecksForUpdates(true);
    queue.advance(AppcastUpdater::checkInterval * 2);
    updater->checkForUpdates();
    queue.runPending();
    EXPECT_TRUE(transport.requests.empty() && reports.empty());
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_NE(prompt.shown[0].find("no trusted update key"), std::string::npos);
}

// On when never set; the preference stops and restarts them.
TEST_F(AppcastUpdaterTest, AutomaticChecksRunShortlyAfterLaunchThenDailyWithoutADialog) {
    parser.items = {release("0.2.0", "0.2")};
    updater->startUpdater();
    queue.advance(AppcastUpdater::launchCheckDelay - 1ms);
    EXPECT_TRUE(transport.requests.empty());
    queue.advance(1ms);
    EXPECT_EQ(reports, (std::vector<Report>{{true, "0.2"}}));
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

// The version is read from the staged bytes, before they get a name.
TEST_F(AppcastUpdaterTest, ASignedDownloadIsSavedThenOpened) {
    const std::string payload(1000, 'p');
    findSignedRelease(payload);
    transport.holding = true;
    transport.reply(200, payload);
    prompt.download();
    for (const std::uint64_t received : {300, 301, 1000}) // a whole percent is told once
        transport.requests.back().onProgress(received);
    transport.releaseNext();
    queue.runPending();
    EXPECT_EQ(prompt.progress, (std::vector<double>{0.0, 0.3, 1.0}));
    const std::string path = folder.directory + "/scribeon_0.2.0_amd64.deb";
    EXPECT_EQ(prompt.shown.back(), "downloaded " + path);
    EXPECT_EQ(opener.files, std::vector<std::string>{path});
    EXPECT_TRUE(folder.staged.empty());
    ASSERT_EQ(packages.read.size(), 1u);
    EXPECT_NE(packages.read[0], path);
}

// Whatever goes wrong, the folder holds what it held before: nothing the
// user had is removed and nothing of the download is left. A download that
// stands gets a name of its own, a plain one whatever the address, and that
// file alone is added, and opened.
TEST_F(AppcastUpdaterTest, ADownloadAddsOnlyItsOwnFileToTheFolder) {
    using Arrange = std::function<void(AppcastUpdaterTest&)>;
    const auto reannounced = [](std::function<void(AppcastItem&)> change) -> Arrange {
        return [change](AppcastUpdaterTest& t) {
            AppcastItem item = t.parser.items[0];
            change(item);
            t.check({item});
        };
    };
    const struct {
        const char* name;
        std::string served, says;
        std::string stated = "0.2.0"; // by the package, and announced by the feed
        Arrange arrange = nullptr;
        std::string savedAs = {}; // empty: refused
    } cases[] = {
        {"the name of the user's file", "a package", "downloaded", "0.2.0", nullptr,
         "scribeon_0.2.0_amd64 (1).deb"},
        {"an address climbing out", "a package", "downloaded", "0.2.0",
         reannounced([](AppcastItem& item) {
             item.enclosureURL = "https://updates.example/a/..%2F..%2F.bashrc?x=/etc/passwd";
         }),
         "_2F.._2F.bashrc"},
        {"tampered", "a packagE", "not signed by Scribeon"},
        {"unsigned in the feed", "a package", "not signed by Scribeon", "0.2.0",
         reannounced([](AppcastItem& item) { item.edSignature.clear(); })},
        {"short", "a pack", "does not have the announced size"},
        // Refused before a byte is asked for: nothing is served.
        {"larger than is ever downloaded", "", "larger than Scribeon downloads", "0.2.0",
         reannounced([](AppcastItem& item) {
             item.enclosureLength = AppcastUpdater::maxDownloadBytes + 1;
         })},
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
         [](AppcastUpdaterTest& t) { t.folder.stageFailure = "disk full"; }},
        {"cannot publish", "a package", "disk full", "0.2.0",
         [](AppcastUpdaterTest& t) { t.folder.publishFailure = "disk full"; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        packages.statedVersion = c.stated;
        folder.files = {{"scribeon_0.2.0_amd64.deb", "left by an earlier try"},
                        {"notes.txt", "the user's"}};
        const auto before = folder.files;
        findSignedRelease("a package", c.stated);
        if (c.arrange)
            c.arrange(*this);
        const std::size_t asked = transport.requests.size();
        if (c.served.empty())
            prompt.download();
        else
            download(c.served);
        EXPECT_NE(prompt.shown.back().find(c.says), std::string::npos) << prompt.shown.back();
        EXPECT_EQ(transport.requests.size(), asked + (c.served.empty() ? 0 : 1));
        auto after = before;
        if (!c.savedAs.empty())
            after[c.savedAs] = "a package";
        EXPECT_EQ(folder.files, after);
        EXPECT_TRUE(folder.staged.empty());
        EXPECT_EQ(opener.files, c.savedAs.empty()
                                    ? std::vector<std::string>{}
                                    : std::vector{folder.directory + "/" + c.savedAs});
    }
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
