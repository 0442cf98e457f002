#include "update/AppcastUpdater.h"

#include "platform/fake/FakeHttpTransport.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/InMemoryDownloadFolder.h"
#include "platform/fake/InMemoryPreferences.h"
#include "platform/fake/RecordingLog.h"
#include "platform/fake/RecordingUrlOpener.h"
#include "platform/fake/ScriptedPackageVersionReader.h"

#include <gtest/gtest.h>
#include <sodium.h>

namespace scribeon {
namespace {

using namespace std::chrono_literals;

struct ScriptedParser : AppcastParser {
    std::vector<AppcastItem> items;
    std::optional<std::string> failure;
    std::vector<std::string> seen;
    Result<std::vector<AppcastItem>, std::string> parse(std::string_view xml) override {
        seen.emplace_back(xml);
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

struct Keys {
    std::string publicKey, secretKey;
    Keys() {
        if (sodium_init() < 0)
            throw std::runtime_error("libsodium");
        unsigned char pk[crypto_sign_PUBLICKEYBYTES], sk[crypto_sign_SECRETKEYBYTES];
        crypto_sign_keypair(pk, sk);
        publicKey.assign(reinterpret_cast<char*>(pk), sizeof pk);
        secretKey.assign(reinterpret_cast<char*>(sk), sizeof sk);
    }
    std::string base64(const std::string& bytes) const {
        std::string out(sodium_base64_ENCODED_LEN(bytes.size(), sodium_base64_VARIANT_ORIGINAL),
                        '\0');
        sodium_bin2base64(out.data(), out.size(),
                          reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                          sodium_base64_VARIANT_ORIGINAL);
        out.resize(out.size() - 1);
        return out;
    }
    std::string sign(const std::string& bytes) const {
        unsigned char signature[crypto_sign_BYTES];
        crypto_sign_detached(signature, nullptr,
                             reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                             reinterpret_cast<const unsigned char*>(secretKey.data()));
        return base64(std::string(reinterpret_cast<char*>(signature), sizeof signature));
    }
};

AppcastItem release(std::string version, std::string display) {
    AppcastItem item;
    item.version = std::move(version);
    item.displayVersion = std::move(display);
    item.enclosureURL = "https://updates.example/scribeon_" + item.displayVersion + "_amd64.deb";
    return item;
}

class AppcastUpdaterTest : public testing::Test {
public:
    void SetUp() override { makeUpdater(keys.base64(keys.publicKey)); }

    void makeUpdater(const std::string& publicKey) {
        // A fresh folder and log each time, for the tables of cases.
        folder = InMemoryDownloadFolder();
        log.lines.clear();
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
    void findSignedRelease(const std::string& payload, const std::string& signedBytes,
                           const Keys* signer = nullptr, const std::string& announced = "0.2.0") {
        AppcastItem item = release("0.2.0", announced);
        item.enclosureLength = payload.size();
        item.edSignature = (signer ? *signer : keys).sign(signedBytes);
        parser.items = {item};
        transport.reply(200, "<rss/>");
        updater->checkForUpdates();
        queue.runPending();
        ASSERT_TRUE(prompt.download);
    }

    Keys keys;
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
};

TEST_F(AppcastUpdaterTest, TheNewestLaterItemWinsWhateverItsPlaceInTheFeed) {
    parser.items = {release("0.1.0", "0.1.0"), release("0.3.0", "0.3"), release("0.2.0", "0.2"),
                    release("0.3.0b1", "0.3 beta")};
    transport.reply(200, "<rss/>");
    updater->checkForUpdates();
    queue.runPending();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], std::pair(true, std::optional<std::string>("0.3")));
    EXPECT_EQ(prompt.shown, (std::vector<std::string>{"checking", "found 0.3 over 0.1.0"}));
    EXPECT_EQ(transport.requests.at(0).url, "https://updates.example/appcast.xml");
}

TEST_F(AppcastUpdaterTest, NothingNewerReportsNotFoundAndUpToDate) {
    parser.items = {release("0.1.0", "0.1.0"), release("0.1.0b2", "0.1 beta")};
    transport.reply(200, "<rss/>");
    updater->checkForUpdates();
    queue.runPending();
    EXPECT_EQ(reports, (decltype(reports){{false, std::nullopt}}));
    EXPECT_EQ(prompt.shown.back(), "up to date 0.1.0");
}

TEST_F(AppcastUpdaterTest, FailedChecksReportNothingAndTellOnlyTheUserWhoAsked) {
    const struct {
        const char* name;
        std::function<void(AppcastUpdaterTest&)> arrange;
        std::string reason;
    } cases[] = {
        {"unreachable",
         [](AppcastUpdaterTest& t) {
             t.transport.fail({TransportError::Code::timedOut, "The request timed out."});
         },
         "The request timed out."},
        {"status", [](AppcastUpdaterTest& t) { t.transport.reply(404, "gone"); },
         "the update feed answered with status 404"},
        {"malformed",
         [](AppcastUpdaterTest& t) {
             t.parser.failure = "not well-formed";
             t.transport.reply(200, "<rss");
         },
         "the update feed cannot be read (not well-formed)"},
        {"huge",
         [](AppcastUpdaterTest& t) {
             t.transport.reply(200, std::string(AppcastUpdater::maxFeedBytes + 1, ' '));
         },
         "the update feed is larger than 1 MiB"},
    };
    for (const auto& c : cases) {
        SetUp();
        c.arrange(*this);
        updater->checkForUpdates();
        queue.runPending();
        EXPECT_TRUE(reports.empty()) << c.name;
        EXPECT_EQ(prompt.shown.back(), "failure: Could not check for updates: " + c.reason)
            << c.name;
    }
}

TEST_F(AppcastUpdaterTest, AutomaticChecksRunShortlyAfterLaunchThenDailyWithoutADialog) {
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
}

TEST_F(AppcastUpdaterTest, ThePreferenceStopsAndRestartsAutomaticChecks) {
    EXPECT_TRUE(updater->automaticallyChecksForUpdates()); // on when never set
    updater->startUpdater();
    updater->setAutomaticallyChecksForUpdates(false);
    EXPECT_EQ(preferences.boolean(AppcastUpdater::automaticChecksKey), false);
    queue.advance(AppcastUpdater::checkInterval * 2);
    EXPECT_TRUE(transport.requests.empty());
    updater->setAutomaticallyChecksForUpdates(true);
    queue.advance(AppcastUpdater::launchCheckDelay);
    EXPECT_EQ(transport.requests.size(), 1u);

    // Stored off at launch: no check until asked.
    preferences.setBoolean(AppcastUpdater::automaticChecksKey, false);
    makeUpdater(keys.base64(keys.publicKey));
    updater->startUpdater();
    queue.advance(AppcastUpdater::checkInterval * 2);
    EXPECT_EQ(transport.requests.size(), 1u);
}

TEST_F(AppcastUpdaterTest, ASignedDownloadIsSavedThenOpened) {
    const std::string payload(1000, 'p');
    findSignedRelease(payload, payload);
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
    EXPECT_EQ(folder.files,
              (std::map<std::string, std::string>{{"scribeon_0.2.0_amd64.deb", payload}}));
    EXPECT_TRUE(folder.staged.empty());
    // The version was read from the staged bytes, before they got a name.
    ASSERT_EQ(packages.read.size(), 1u);
    EXPECT_NE(packages.read[0], path);
}

// The user's own file of the same name stays as it was; the download gets
// a name of its own and that is what is opened.
TEST_F(AppcastUpdaterTest, AFileOfTheSameNameIsKeptAndTheNewOneOpened) {
    folder.files["scribeon_0.2.0_amd64.deb"] = "the user's";
    findSignedRelease("a package", "a package");
    transport.reply(200, "a package");
    prompt.download();
    queue.runPending();
    const std::string path = folder.directory + "/scribeon_0.2.0_amd64 (1).deb";
    EXPECT_EQ(opener.files, std::vector<std::string>{path});
    EXPECT_EQ(folder.files,
              (std::map<std::string, std::string>{{"scribeon_0.2.0_amd64.deb", "the user's"},
                                                  {"scribeon_0.2.0_amd64 (1).deb", "a package"}}));
}

// Whatever goes wrong, the folder holds what it held before: nothing the
// user had is removed and nothing of the download is left.
TEST_F(AppcastUpdaterTest, ARefusedDownloadLeavesTheFolderAsItWas) {
    const std::string unsigned_ =
        "The downloaded update is not signed by Scribeon. It was deleted.";
    const Keys stranger;
    const struct {
        const char* name;
        std::string served, signedBytes;
        const Keys* signer;
        std::function<void(AppcastUpdaterTest&)> arrange;
        std::string message, logged;
    } cases[] = {
        {"tampered", "a packagE", "a package", nullptr, nullptr, unsigned_, "update: refused"},
        {"signed by another key", "a package", "a package", &stranger, nullptr, unsigned_,
         "update: refused"},
        {"unsigned in the feed", "a package", "a package", nullptr,
         [](AppcastUpdaterTest& t) {
             t.parser.items[0].edSignature.clear();
             t.transport.reply(200, "<rss/>");
             t.updater->checkForUpdates();
             t.queue.runPending();
         },
         unsigned_, "update: refused"},
        {"short", "a pack", "a package", nullptr, nullptr,
         "The downloaded update does not have the announced size. It was deleted.",
         "update: refused"},
        {"not a package", "a package", "a package", nullptr,
         [](AppcastUpdaterTest& t) { t.packages.failure = "dpkg-deb cannot read it"; },
         "The downloaded update is not a Scribeon package. It was deleted.",
         "update: refused: not a package: dpkg-deb cannot read it"},
        {"an older signed package announced as new", "a package", "a package", nullptr,
         [](AppcastUpdaterTest& t) { t.packages.statedVersion = "0.0.9"; },
         "The downloaded update is version 0.0.9, not the announced 0.2.0. It was deleted.",
         "update: refused: the package is version 0.0.9, the feed announced 0.2.0"},
        {"a later build of another version", "a package", "a package", nullptr,
         [](AppcastUpdaterTest& t) { t.packages.statedVersion = "0.2.0.1"; },
         "The downloaded update is version 0.2.0.1, not the announced 0.2.0. It was deleted.",
         "update: refused: the package is version 0.2.0.1"},
        {"cannot stage", "a package", "a package", nullptr,
         [](AppcastUpdaterTest& t) { t.folder.stageFailure = "disk full"; },
         "The update could not be saved: disk full", "update: cannot save: disk full"},
        {"cannot publish", "a package", "a package", nullptr,
         [](AppcastUpdaterTest& t) { t.folder.publishFailure = "read-only"; },
         "The update could not be saved: read-only", "update: cannot save: read-only"},
    };
    for (const auto& c : cases) {
        SetUp();
        folder.files["scribeon_0.2.0_amd64.deb"] = "left by an earlier try";
        folder.files["notes.txt"] = "the user's";
        const auto before = folder.files;
        findSignedRelease("a package", c.signedBytes, c.signer);
        if (c.arrange)
            c.arrange(*this);
        transport.reply(200, c.served);
        prompt.download();
        queue.runPending();
        EXPECT_EQ(prompt.shown.back(), "failure: " + c.message) << c.name;
        EXPECT_EQ(folder.files, before) << c.name;
        EXPECT_TRUE(folder.staged.empty()) << c.name;
        EXPECT_TRUE(opener.files.empty()) << c.name;
        EXPECT_EQ(log.lines.back().rfind("[Scribeon] " + c.logged, 0), 0u)
            << c.name << ": " << log.lines.back();
    }
}

// The feed can announce a build number above this one for a package that
// states a version this program already is (or has passed).
TEST_F(AppcastUpdaterTest, APackageNotNewerThanThisProgramIsRefused) {
    for (const std::string stated : {"0.1.0", "0.0.9", "0.1.0b1"}) {
        SetUp();
        packages.statedVersion = stated;
        findSignedRelease("a package", "a package", nullptr, stated);
        transport.reply(200, "a package");
        prompt.download();
        queue.runPending();
        EXPECT_EQ(prompt.shown.back(), "failure: The downloaded update (version " + stated +
                                           ") is not newer than this Scribeon (0.1.0). It was "
                                           "deleted.")
            << stated;
        EXPECT_TRUE(folder.files.empty()) << stated;
        EXPECT_TRUE(folder.staged.empty()) << stated;
        EXPECT_TRUE(opener.files.empty()) << stated;
    }
}

TEST_F(AppcastUpdaterTest, WithoutATrustedKeyNothingIsCheckedOrDownloaded) {
    makeUpdater("");
    updater->startUpdater();
    queue.advance(AppcastUpdater::checkInterval * 2);
    updater->setAutomaticallyChecksForUpdates(true);
    queue.advance(AppcastUpdater::checkInterval * 2);
    updater->checkForUpdates();
    queue.runPending();
    EXPECT_TRUE(transport.requests.empty());
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(prompt.shown, (std::vector<std::string>{
                                "failure: Could not check for updates: this copy of Scribeon "
                                "has no trusted update key."}));
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
    EXPECT_EQ(prompt.shown.back(),
              "failure: The update is larger than Scribeon downloads (16 MiB).");
}

TEST_F(AppcastUpdaterTest, TheDownloadIsNamedAfterTheAddressAsAPlainFileName) {
    const std::string payload = "x";
    AppcastItem item = release("0.2.0", "0.2.0");
    item.enclosureURL = "https://updates.example/a/..%2F..%2F.bashrc?x=/etc/passwd";
    item.enclosureLength = payload.size();
    item.edSignature = keys.sign(payload);
    parser.items = {item};
    transport.reply(200, "<rss/>");
    updater->checkForUpdates();
    queue.runPending();
    transport.reply(200, payload);
    prompt.download();
    queue.runPending();
    EXPECT_EQ(opener.files, std::vector<std::string>{folder.directory + "/_2F.._2F.bashrc"});
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
