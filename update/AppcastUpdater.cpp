#include "update/AppcastUpdater.h"

#include "base/FileName.h"
#include "base/WeakCallback.h"
#include "update/UpdateSignature.h"
#include "update/UpdateVersion.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace scribeon {

namespace {

constexpr Milliseconds feedTimeout{30'000};
constexpr Milliseconds downloadTimeout{300'000};

std::string checkFailedMessage(const std::string& reason) {
    return "Could not check for updates: " + reason;
}

// The last path segment of the URL, kept to characters that are safe in a
// file name; never empty, never hidden, never a path.
std::string safeFileName(const std::string& url) {
    std::string path = url.substr(0, url.find_first_of("?#"));
    path = path.substr(path.find_last_of('/') + 1);
    std::string name;
    for (const char c : path)
        name += isPlainFileNameCharacter(c) ? c : '_';
    while (!name.empty() && name.front() == '.')
        name.erase(name.begin());
    return name.empty() ? "scribeon-update" : name;
}

bool writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

} // namespace

std::shared_ptr<AppcastUpdater> AppcastUpdater::create(UpdaterCollaborators collaborators,
                                                       UpdaterSettings settings) {
    return std::shared_ptr<AppcastUpdater>(new AppcastUpdater(collaborators, std::move(settings)));
}

AppcastUpdater::AppcastUpdater(UpdaterCollaborators collaborators, UpdaterSettings settings)
    : c_(collaborators), settings_(std::move(settings)) {}

void AppcastUpdater::startUpdater() {
    started_ = true;
    if (automaticallyChecksForUpdates())
        scheduleCheck(launchCheckDelay);
}

void AppcastUpdater::setOnUpdateAvailabilityChanged(AvailabilityCallback callback) {
    onAvailabilityChanged_ = std::move(callback);
}

bool AppcastUpdater::automaticallyChecksForUpdates() {
    return c_.preferences.boolean(automaticChecksKey).value_or(true);
}

void AppcastUpdater::setAutomaticallyChecksForUpdates(bool enabled) {
    c_.preferences.setBoolean(automaticChecksKey, enabled);
    scheduled_.cancel();
    if (enabled && started_)
        scheduleCheck(launchCheckDelay);
}

void AppcastUpdater::scheduleCheck(Milliseconds delay) {
    scheduled_.cancel();
    scheduled_ = c_.queue.postAfter(delay, weakly(shared_from_this(), [](AppcastUpdater& self) {
                                        if (!self.automaticallyChecksForUpdates())
                                            return;
                                        self.check(Asker::schedule);
                                        self.scheduleCheck(checkInterval);
                                    }));
}

void AppcastUpdater::checkForUpdates() {
    c_.prompt.showChecking();
    check(Asker::user);
}

void AppcastUpdater::check(Asker asker) {
    fetchFeed(weakly(shared_from_this(), [asker](AppcastUpdater& self, const FeedOutcome& outcome) {
        self.report(asker, outcome);
    }));
}

void AppcastUpdater::fetchFeed(std::function<void(FeedOutcome)> done) {
    HttpRequest request{"GET", settings_.feedURL, {{"Accept", "application/rss+xml"}},
                        "",    feedTimeout,       {}};
    auto apply = weakly(shared_from_this(),
                        [done = std::move(done)](AppcastUpdater& self, const HttpOutcome& outcome) {
                            done(self.readFeed(outcome));
                        });
    c_.transport.send(std::move(request), [&queue = c_.queue, apply](HttpOutcome outcome) {
        queue.post([apply, outcome = std::move(outcome)] { apply(outcome); });
    });
}

AppcastUpdater::FeedOutcome AppcastUpdater::readFeed(const HttpOutcome& outcome) {
    if (const auto* error = std::get_if<TransportError>(&outcome))
        return std::string(error->description);
    const auto& reply = std::get<HttpReply>(outcome);
    if (reply.status != 200)
        return "the update feed answered with status " + std::to_string(reply.status);
    if (reply.body.size() > maxFeedBytes)
        return std::string("the update feed is larger than 1 MiB");
    auto items = c_.parser.parse(reply.body);
    if (!items)
        return "the update feed cannot be read (" + items.error() + ")";
    std::optional<AppcastItem> newest;
    for (auto& item : items.value()) {
        if (compareVersions(item.version, settings_.currentBuild) <= 0)
            continue;
        if (!newest || compareVersions(item.version, newest->version) > 0)
            newest = std::move(item);
    }
    return newest;
}

void AppcastUpdater::report(Asker asker, const FeedOutcome& outcome) {
    if (!outcome) {
        c_.log.write("update: check failed: " + outcome.error());
        if (asker == Asker::user)
            c_.prompt.showFailure(checkFailedMessage(outcome.error()));
        return;
    }
    const std::optional<AppcastItem>& found = outcome.value();
    if (onAvailabilityChanged_) {
        onAvailabilityChanged_(found.has_value(),
                               found ? std::optional(found->displayVersion) : std::nullopt);
    }
    if (asker != Asker::user)
        return;
    if (!found) {
        c_.prompt.showUpToDate(settings_.currentVersion);
        return;
    }
    c_.prompt.showFound(
        *found, settings_.currentVersion,
        weakly(shared_from_this(), [item = *found](AppcastUpdater& self) { self.download(item); }));
}

void AppcastUpdater::download(const AppcastItem& item) {
    if (item.enclosureLength > maxDownloadBytes) {
        fail("update: refused: " + std::to_string(item.enclosureLength) + " bytes announced",
             "The update is larger than Scribeon downloads (16 MiB).");
        return;
    }
    c_.prompt.showDownloading();
    c_.prompt.showProgress(0);
    // Many chunks arrive per repaint; the dialog hears of each whole percent.
    auto lastPercent = std::make_shared<std::atomic<int>>(0);
    auto progress = weakly(shared_from_this(), [](AppcastUpdater& self, double fraction) {
        self.c_.prompt.showProgress(fraction);
    });
    HttpRequest request{"GET",
                        item.enclosureURL,
                        {},
                        "",
                        downloadTimeout,
                        [&queue = c_.queue, progress, lastPercent,
                         expected = item.enclosureLength](std::uint64_t received) {
                            const double fraction = std::min(
                                1.0, static_cast<double>(received) / static_cast<double>(expected));
                            const int percent = static_cast<int>(fraction * 100);
                            if (lastPercent->exchange(percent) != percent)
                                queue.post([progress, fraction] { progress(fraction); });
                        }};
    auto apply =
        weakly(shared_from_this(), [item](AppcastUpdater& self, const HttpOutcome& outcome) {
            self.finishDownload(item, outcome);
        });
    c_.transport.send(std::move(request), [&queue = c_.queue, apply](HttpOutcome outcome) {
        queue.post([apply, outcome = std::move(outcome)] { apply(outcome); });
    });
}

void AppcastUpdater::finishDownload(const AppcastItem& item, const HttpOutcome& outcome) {
    const std::filesystem::path path =
        std::filesystem::path(settings_.downloadDirectory) / safeFileName(item.enclosureURL);
    // A file left by an earlier attempt must not pass for this one.
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    if (const auto* error = std::get_if<TransportError>(&outcome)) {
        fail("update: download failed: " + error->description,
             "The update could not be downloaded: " + error->description);
        return;
    }
    const auto& reply = std::get<HttpReply>(outcome);
    if (reply.status != 200) {
        fail("update: download failed: status " + std::to_string(reply.status),
             "The update could not be downloaded: the server answered with status " +
                 std::to_string(reply.status) + ".");
        return;
    }
    if (reply.body.size() != item.enclosureLength) {
        fail("update: refused: " + std::to_string(reply.body.size()) + " bytes, " +
                 std::to_string(item.enclosureLength) + " announced",
             "The downloaded update does not have the announced size. It was deleted.");
        return;
    }
    if (!hasValidSignature(reply.body, item.edSignature, settings_.publicKey)) {
        fail("update: refused: signature does not match",
             "The downloaded update is not signed by Scribeon. It was deleted.");
        return;
    }
    if (!writeFile(path, reply.body)) {
        fail("update: cannot write " + path.string(),
             "The update could not be saved to " + path.string() + ".");
        return;
    }
    c_.log.write("update: verified " + path.string());
    c_.prompt.showDownloaded(path.string());
    if (!c_.opener.openFile(path.string()))
        c_.log.write("update: no handler opened " + path.string());
}

void AppcastUpdater::fail(const std::string& logLine, const std::string& message) {
    c_.log.write(logLine);
    c_.prompt.showFailure(message);
}

} // namespace scribeon
