#include "service/RemoteAuthService.h"
#include "tests/fakes/ServiceStack.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

class RemoteAuthServiceTest : public testing::Test, protected ServiceStack {
protected:
    std::optional<std::string> stored(const char* key) {
        return store.read(KeychainService::serviceName, key);
    }
    ServiceResult<std::string> login(const std::string& email, const std::string& password) {
        std::optional<ServiceResult<std::string>> outcome;
        auth.login(email, password, [&](auto r) { outcome = std::move(r); });
        queue.runPending();
        return std::move(*outcome);
    }

    RemoteAuthService auth{client, keychain, preferences, queue};
};

TEST_F(RemoteAuthServiceTest, SignInStoresTokenAndEmailAsPassedIfTheStoreCan) {
    transport.reply(200, R"({"message":"Signed in","token":"tok-1"})");
    EXPECT_EQ(login(" Ada@Example.com", "pw").value(), "tok-1");
    EXPECT_EQ(stored("auth_token"), "tok-1");
    EXPECT_EQ(stored("user_email"), " Ada@Example.com");
    store.refuseWrites = true; // a keyring that cannot store still signs in, for this session
    transport.reply(200, R"({"message":"ok","token":"t"})");
    EXPECT_TRUE(login("a@b.c", "pw"));
}

// A refused password runs against the real service end to end; here a
// success that carries no token.
TEST_F(RemoteAuthServiceTest, ASignInWithoutATokenFailsWithTheServicesWordsAndStoresNothing) {
    store.save(KeychainService::serviceName, "auth_token", "earlier");
    transport.reply(200, R"({"message":"Please verify your e-mail first."})");
    auto result = login("a@b.c", "pw");
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().description(), "Please verify your e-mail first.");
    EXPECT_EQ(stored("auth_token"), "earlier");
    EXPECT_FALSE(stored("user_email"));
}

TEST_F(RemoteAuthServiceTest, SignOutCleansUpLocallyEvenOfflineAndKeepsOrderAndEmojis) {
    store.save(KeychainService::serviceName, "auth_token", "tok");
    store.save(KeychainService::serviceName, "user_email", "a@b.c");
    preferences.setData("cachedCommands", "[]");
    preferences.setTextList("commandOrder", {"a"});
    preferences.setTextMap("commandEmojis", {{"a", "x"}});
    transport.fail({TransportError::Code::notConnectedToInternet, "offline"});
    bool done = false;
    auth.logout([&] { done = true; });
    queue.runPending();
    EXPECT_TRUE(done);
    EXPECT_EQ(transport.header(0, "Authorization"), "Bearer tok");
    EXPECT_TRUE(store.items.empty());
    EXPECT_FALSE(preferences.data("cachedCommands"));
    EXPECT_TRUE(preferences.textList("commandOrder"));
    EXPECT_TRUE(preferences.textMap("commandEmojis"));
}

// Ended and offline run against the service end to end; here the refusals:
// a token the service no longer knows is forgotten, one it failed on is kept.
TEST_F(RemoteAuthServiceTest, SignOutEverywhereForgetsTheTokenOnlyWhenTheServiceIsDoneWithIt) {
    const struct {
        long status;
        const char* body;
        bool tokenKept;
    } cases[] = {
        {401, "", false},
        {500, R"({"error":"server_error","message":"x"})", true},
    };
    for (const auto& c : cases) {
        store.save(KeychainService::serviceName, "auth_token", "tok");
        preferences.setData("cachedCommands", "[]");
        transport.reply(c.status, c.body);
        std::optional<ServiceResult<Done>> outcome;
        auth.logoutEverywhere([&](ServiceResult<Done> r) { outcome = std::move(r); });
        queue.runPending();
        ASSERT_TRUE(outcome && !*outcome) << c.status;
        EXPECT_EQ(stored("auth_token").has_value(), c.tokenKept) << c.status;
        EXPECT_EQ(preferences.data("cachedCommands").has_value(), c.tokenKept) << c.status;
    }
}

} // namespace
} // namespace scribeon
