#pragma once

#include <QDBusConnection>
#include <QDBusVariant>
#include <QObject>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <utility>

namespace scribeon {

// A Secret Service prompt (an unlock dialog, a new keyring's password) run
// to its end or to the deadline. The caller blocks without running its own
// event loop, so no window of ours handles events in the middle of a token
// read; the prompt's Completed signal arrives on a thread of its own. A
// prompt still open at the deadline is dismissed: nobody may be there to
// answer it.
class SecretPrompt : public QObject {
    Q_OBJECT
public:
    // The prompt's result, absent when it was dismissed or not done in time.
    static std::optional<QDBusVariant> run(QDBusConnection bus, const QString& path,
                                           std::chrono::steady_clock::time_point deadline);

private slots:
    void completed(bool dismissed, const QDBusVariant& result);

private:
    // Whether the prompt finished, and its result.
    std::pair<bool, std::optional<QDBusVariant>>
    waitUntil(std::chrono::steady_clock::time_point deadline);

    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::optional<QDBusVariant> result_;
};

} // namespace scribeon
