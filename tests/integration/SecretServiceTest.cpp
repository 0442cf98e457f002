#include "platform/linux/SecretServiceCredentialStore.h"
#include "service/KeychainService.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QProcess>

#include <gtest/gtest.h>

namespace scribeon {
namespace {

// Runs inside a private session bus with an unlocked gnome-keyring
// (tests/integration/with-keyring.sh).
TEST(SecretServiceTest, SavesReplacesReadsAndDeletes) {
    SecretServiceCredentialStore store;
    KeychainService keychain(store);
    keychain.remove("auth_token");
    EXPECT_FALSE(keychain.read("auth_token"));
    EXPECT_TRUE(keychain.save("first", "auth_token"));
    EXPECT_TRUE(keychain.save("second", "auth_token"));
    EXPECT_EQ(keychain.read("auth_token"), "second");
    EXPECT_TRUE(keychain.save("Ad\xC3\xA5 \xF0\x9F\x94\x91 \xE2\x82\xAC", "user_email"));
    EXPECT_EQ(keychain.read("user_email"), "Ad\xC3\xA5 \xF0\x9F\x94\x91 \xE2\x82\xAC");
    EXPECT_EQ(keychain.read("auth_token"), "second") << "keys are separate items";
    keychain.remove("auth_token");
    keychain.remove("never_stored");
    EXPECT_FALSE(keychain.read("auth_token"));
    EXPECT_TRUE(keychain.read("user_email"));
    EXPECT_FALSE(keychain.save("bad \xFF utf-8", "auth_token"));
    EXPECT_FALSE(store.read("another.service", "user_email")) << "items are per service";
}

// An item as earlier versions stored it (through libsecret, whose schema
// name is an attribute) is still the user's token; and a keyring locked
// with nobody to answer its unlock prompt reads as absent and refuses writes.
TEST(SecretServiceTest, ReadsEarlierItemsAndGivesUpOnALockedKeyring) {
    // QtDBus hands signals (the prompt's end) over once the main loop has run.
    QCoreApplication::processEvents();
    QProcess tool;
    tool.start(QStringLiteral("secret-tool"),
               {QStringLiteral("store"), QStringLiteral("--label=earlier"),
                QStringLiteral("xdg:schema"), QStringLiteral("app.scribeon.Scribeon.Credential"),
                QStringLiteral("service"), QStringLiteral("app.scribeon.Scribeon"),
                QStringLiteral("account"), QStringLiteral("earlier_key")});
    tool.write("stored before");
    tool.closeWriteChannel();
    ASSERT_TRUE(tool.waitForFinished(10000) && tool.exitCode() == 0);
    SecretServiceCredentialStore store;
    KeychainService keychain(store);
    EXPECT_EQ(keychain.read("earlier_key"), "stored before");

    auto lock = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.secrets"), QStringLiteral("/org/freedesktop/secrets"),
        QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("Lock"));
    lock << QVariant::fromValue(
        QList<QDBusObjectPath>{QDBusObjectPath("/org/freedesktop/secrets/collection/login")});
    ASSERT_EQ(QDBusConnection::sessionBus().call(lock).type(), QDBusMessage::ReplyMessage);
    EXPECT_FALSE(keychain.read("earlier_key"));
    EXPECT_FALSE(keychain.save("new", "earlier_key"));
}

// Runs with a session bus address that leads nowhere.
TEST(SecretServiceUnavailableTest, ReadsAbsentAndRefusesWrites) {
    SecretServiceCredentialStore store(std::chrono::milliseconds(500));
    KeychainService keychain(store);
    EXPECT_FALSE(keychain.save("token", "auth_token"));
    EXPECT_FALSE(keychain.read("auth_token"));
    keychain.remove("auth_token");
}

} // namespace
} // namespace scribeon
