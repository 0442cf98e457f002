#include "platform/linux/SecretPrompt.h"

#include "platform/linux/SecretServiceNames.h"

#include <QDBusMessage>
#include <QThread>

#include <tuple>

namespace scribeon {

namespace {

QDBusMessage promptCall(const QString& path, const QString& method) {
    return QDBusMessage::createMethodCall(secretServiceName(), path,
                                          QStringLiteral("org.freedesktop.Secret.Prompt"), method);
}

} // namespace

std::optional<QDBusVariant> SecretPrompt::run(QDBusConnection bus, const QString& path,
                                              std::chrono::steady_clock::time_point deadline) {
    QThread thread;
    SecretPrompt waiter;
    waiter.moveToThread(&thread);
    thread.start();
    // Connected before the prompt starts, so that a quick answer is not missed.
    const QString interface = QStringLiteral("org.freedesktop.Secret.Prompt");
    const QString signal = QStringLiteral("Completed");
    const bool connected = bus.connect(secretServiceName(), path, interface, signal, &waiter,
                                       SLOT(completed(bool, QDBusVariant)));
    std::optional<QDBusVariant> result;
    if (connected) {
        QDBusMessage prompt = promptCall(path, QStringLiteral("Prompt"));
        prompt << QString(); // no parent window: ours may not be on screen
        const QDBusMessage answer = bus.call(prompt, QDBus::Block, remainingMs(deadline));
        bool finished = false;
        if (answer.type() == QDBusMessage::ReplyMessage)
            std::tie(finished, result) = waiter.waitUntil(deadline);
        if (!finished)
            bus.send(promptCall(path, QStringLiteral("Dismiss")));
        bus.disconnect(secretServiceName(), path, interface, signal, &waiter,
                       SLOT(completed(bool, QDBusVariant)));
    }
    thread.quit();
    thread.wait();
    return result;
}

void SecretPrompt::completed(bool dismissed, const QDBusVariant& result) {
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
        if (!dismissed)
            result_ = result;
    }
    done_.notify_one();
}

std::pair<bool, std::optional<QDBusVariant>>
SecretPrompt::waitUntil(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    done_.wait_until(lock, deadline, [this] { return finished_; });
    return {finished_, result_};
}

} // namespace scribeon
