#include "update/AppcastUpdater.h"

#include "base/FileName.h"
#include "base/WeakCallback.h"
#include "update/UpdateSignature.h"
#include "update/UpdateVersion.h"

#include <algorithm>
#include <atomic>

namespace scribeon {

namespace {

constexpr Milliseconds feedTimeout{30'000};
constexpr Milliseconds downloadTimeout{300'000};

std::string checkFailedMessage(const std::string& reason) {
    return "Could not check for updates: " + reason;
}

std::string deletedMessage(const std::string& what) {
    return "The downloaded update " + what + ". It was deleted.";
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
    if (settings_.publicKey.empty()) {
        c_.log.write("update: off: no trusted update key");
        return;
    }
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
    if (enabled && started_ && !settings_.publicKey.empty())
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
    if (settings_.publicKey.empty()) {
        c_.prompt.showFailure(
            checkFailedMessage("this copy of Scribeon has no trusted update key."));
        return;
    }
    c_.prompt.showChecking();
    check(Asker::user);
}

void AppcastUpdater::check(Asker asker) {
    fetchFeed(weakly(shared_from_this(), [asker](AppcastUpdater& self, const FeedOutcome& outcome) {
        self.report(asker, outcome);
    }));
}

void AppcastUpdater::fetchFeed(std::function<void(FeedOutcome)> done) {
    HttpRequest request{
        "GET", settings_.feedURL, {{"Accept", "application/rss+xml"}}, "", feedTimeout, {}, {}, {}};
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
                        },
                        {},
                        {}};
    auto apply =
        weakly(shared_from_this(), [item](AppcastUpdater& self, const HttpOutcome& outcome) {
            self.finishDownload(item, outcome);
        });
    c_.transport.send(std::move(request), [&queue = c_.queue, apply](HttpOutcome outcome) {
        queue.post([apply, outcome = std::move(outcome)] { apply(outcome); });
    });
}

void AppcastUpdater::finishDownload(const AppcastItem& item, const HttpOutcome& outcome) {
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
             deletedMessage("does not have the announced size"));
        return;
    }
    if (!hasValidSignature(reply.body, item.edSignature, settings_.publicKey)) {
        fail("update: refused: signature does not match",
             deletedMessage("is not signed by Scribeon"));
        return;
    }
    save(item, reply.body);
}

// The signed bytes are written where nobody can swap them, the package's
// own version is read from that very file, and only a package that passes
// is given a name in the folder and opened.
void AppcastUpdater::save(const AppcastItem& item, const std::string& bytes) {
    auto staged = c_.folder.stage(bytes);
    if (!staged) {
        fail("update: cannot save: " + staged.error().reason,
             "The update could not be saved: " + staged.error().reason);
        return;
    }
    if (!packageIsTheAnnouncedUpdate(item, staged.value())) {
        c_.folder.discard(staged.value());
        return;
    }
    auto saved = c_.folder.publish(staged.value(), downloadFileName(item.enclosureURL));
    if (!saved) {
        c_.folder.discard(staged.value());
        fail("update: cannot save: " + saved.error().reason,
             "The update could not be saved: " + saved.error().reason);
        return;
    }
    const std::string& path = saved.value();
    c_.log.write("update: verified " + path);
    c_.prompt.showDownloaded(path);
    if (!c_.opener.openFile(path))
        c_.log.write("update: no handler opened " + path);
}

// The feed is not signed: an older signed package announced as new would
// otherwise pass, so the version that counts is the one the package states.
bool AppcastUpdater::packageIsTheAnnouncedUpdate(const AppcastItem& item, const std::string& path) {
    auto stated = c_.packages.version(path);
    if (!stated) {
        fail("update: refused: not a package: " + stated.error().reason,
             deletedMessage("is not a Scribeon package"));
        return false;
    }
    const std::string& version = stated.value();
    if (version != item.displayVersion) {
        fail(
            "update: refused: the package is version " + version + ", the feed announced " +
                item.displayVersion,
            deletedMessage("is version " + version + ", not the announced " + item.displayVersion));
        return false;
    }
    if (compareVersions(version, settings_.currentVersion) <= 0) {
        fail("update: refused: the package's version " + version + " is not newer than " +
                 settings_.currentVersion,
             deletedMessage("(version " + version + ") is not newer than this Scribeon (" +
                            settings_.currentVersion + ")"));
        return false;
    }
    return true;
}

void AppcastUpdater::fail(const std::string& logLine, const std::string& message) {
    c_.log.write(logLine);
    c_.prompt.showFailure(message);
}

} // namespace scribeon
