#pragma once

#include "platform/AppcastParser.h"
#include "platform/DiagnosticLog.h"
#include "platform/DownloadFolder.h"
#include "platform/HttpTransport.h"
#include "platform/MainQueue.h"
#include "platform/PackageVersionReader.h"
#include "platform/Preferences.h"
#include "platform/UrlOpener.h"
#include "update/UpdateManager.h"
#include "update/UpdatePrompt.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace scribeon {

struct UpdaterSettings {
    std::string feedURL;
    std::string currentBuild;   // compared with each item's version
    std::string currentVersion; // shown to the user; a package must be newer
    std::string publicKey;      // base64 Ed25519 key that signs the files; empty: updates are off
};

struct UpdaterCollaborators {
    HttpTransport& transport;
    AppcastParser& parser;
    Preferences& preferences;
    MainQueue& queue;
    UpdatePrompt& prompt;
    UrlOpener& opener;
    DiagnosticLog& log;
    DownloadFolder& folder;
    PackageVersionReader& packages;
};

// Updates from an appcast feed: an automatic check shortly after launch and
// then daily while the user's preference is on, a check on request with its
// dialog, and the download, which is opened with the desktop's handler only
// after its signature checks out and the package states the announced
// version, newer than this one. Installed files are never replaced by the
// program itself, nor are the user's files in the download folder. Without
// a key there is nothing to trust a download by, so nothing is checked.
class AppcastUpdater final : public UpdateManager,
                             public std::enable_shared_from_this<AppcastUpdater> {
public:
    static constexpr const char* automaticChecksKey = "automaticallyCheckForUpdates";
    static constexpr Milliseconds launchCheckDelay{10'000};
    static constexpr Milliseconds checkInterval{24LL * 60 * 60 * 1000};
    static constexpr std::uint64_t maxFeedBytes = std::uint64_t{1024} * 1024;
    static constexpr std::uint64_t maxDownloadBytes = std::uint64_t{16} * 1024 * 1024;

    static std::shared_ptr<AppcastUpdater> create(UpdaterCollaborators collaborators,
                                                  UpdaterSettings settings);

    void startUpdater() override;
    void setOnUpdateAvailabilityChanged(AvailabilityCallback callback) override;
    void checkForUpdates() override;
    bool automaticallyChecksForUpdates() override;
    void setAutomaticallyChecksForUpdates(bool enabled) override;

private:
    enum class Asker { schedule, user };
    using FeedOutcome = Result<std::optional<AppcastItem>, std::string>;

    AppcastUpdater(UpdaterCollaborators collaborators, UpdaterSettings settings);
    void scheduleCheck(Milliseconds delay);
    void check(Asker asker);
    void fetchFeed(std::function<void(FeedOutcome)> done);
    FeedOutcome readFeed(const HttpOutcome& outcome);
    void report(Asker asker, const FeedOutcome& outcome);
    void download(const AppcastItem& item);
    void finishDownload(const AppcastItem& item, const HttpOutcome& outcome);
    void save(const AppcastItem& item, const std::string& bytes);
    bool packageIsTheAnnouncedUpdate(const AppcastItem& item, const std::string& path);
    void fail(const std::string& logLine, const std::string& message);

    UpdaterCollaborators c_;
    UpdaterSettings settings_;
    AvailabilityCallback onAvailabilityChanged_;
    Cancel scheduled_;
    bool started_ = false;
};

} // namespace scribeon
