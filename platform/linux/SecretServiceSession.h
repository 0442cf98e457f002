#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QList>
#include <QMap>
#include <QString>

#include <chrono>
#include <optional>

namespace scribeon {

// One conversation with the desktop's Secret Service
// (org.freedesktop.Secret.*) over QtDBus, every call bounded by one
// deadline. The secret travels in a "plain" session: the session bus is
// this user's own, and any process of this user that could read the bus
// could equally ask the service for the item.
class SecretServiceSession {
public:
    using Attributes = QMap<QString, QString>;

    explicit SecretServiceSession(std::chrono::milliseconds budget);
    ~SecretServiceSession();
    SecretServiceSession(const SecretServiceSession&) = delete;
    SecretServiceSession& operator=(const SecretServiceSession&) = delete;

    // False when no Secret Service answers in time.
    bool open();
    // The items whose attributes include these, locked ones unlocked first.
    QList<QDBusObjectPath> search(const Attributes& attributes);
    std::optional<QByteArray> secretOf(const QDBusObjectPath& item);
    void remove(const QDBusObjectPath& item);
    // Stores a text/plain secret in the default collection, made and
    // unlocked if it must be; an item with the same attributes is replaced.
    bool create(const QString& label, const Attributes& attributes, const QByteArray& secret);

private:
    std::optional<QDBusMessage> call(const QString& path, const QString& interface,
                                     const QString& method, const QVariantList& arguments = {});
    // The paths the service unlocked, perhaps after a prompt.
    QList<QDBusObjectPath> unlock(const QList<QDBusObjectPath>& objects);
    std::optional<QDBusObjectPath> defaultCollection();
    bool isLocked(const QDBusObjectPath& object);
    // Runs a prompt a call returned; absent when it was dismissed or late.
    std::optional<QVariant> completed(const QDBusObjectPath& prompt);
    // The object a prompt made (an item, a collection); empty if none.
    QDBusObjectPath promptedObject(const QDBusObjectPath& prompt);

    std::chrono::steady_clock::time_point deadline_;
    QDBusConnection bus_;
    QDBusObjectPath session_;
};

} // namespace scribeon
