#include "platform/linux/LibsecretCredentialStore.h"
#include "service/KeychainService.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

// Runs inside a private session bus with an unlocked gnome-keyring
// (tests/integration/with-keyring.sh).
TEST(SecretServiceTest, SavesReplacesReadsAndDeletes) {
    LibsecretCredentialStore store;
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

// Runs with a session bus address that leads nowhere.
TEST(SecretServiceUnavailableTest, ReadsAbsentAndRefusesWrites) {
    LibsecretCredentialStore store(std::chrono::milliseconds(500));
    KeychainService keychain(store);
    EXPECT_FALSE(keychain.save("token", "auth_token"));
    EXPECT_FALSE(keychain.read("auth_token"));
    keychain.remove("auth_token");
}

} // namespace
} // namespace scribeon
