#include "app/AppViewModel.h"

#include "AppFakes.h"
#include "platform/fake/InMemoryCredentialStore.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

using namespace std::chrono_literals;
using test::FakeAccountAPI;
using test::FakeAuthService;

User userNamed(std::string name) {
    User user;
    user.id = 1;
    user.name = std::move(name);
    return user;
}

class AppViewModelTest : public testing::Test {
protected:
    void SetUp() override {
        store.save(KeychainService::serviceName, "auth_token", "secret");
        store.save(KeychainService::serviceName, "user_email", "ada@example.com");
    }
    std::shared_ptr<AppViewModel> make() {
        return AppViewModel::create(queue, keychain, api, auth);
    }

    FakeMainQueue queue;
    InMemoryCredentialStore store;
    KeychainService keychain{store};
    FakeAccountAPI api;
    FakeAuthService auth;
};

TEST_F(AppViewModelTest, StartsFromTheStoredToken) {
    auto signedIn = make();
    EXPECT_TRUE(signedIn->isAuthenticated.get());
    EXPECT_FALSE(signedIn->user.get());
    store.items.clear();
    auto signedOut = make();
    EXPECT_FALSE(signedOut->isAuthenticated.get());
    bool done = false;
    signedOut->loadUser([&] { done = true; });
    EXPECT_EQ(api.requests, 0) << "nothing is sent while signed out";
    EXPECT_TRUE(done);
}

TEST_F(AppViewModelTest, ASignInMadeElsewhereIsAdoptedFromTheStore) {
    store.items.clear();
    auto vm = make();
    vm->adoptStoredSignIn(); // nothing stored yet: stays signed out, no request
    EXPECT_FALSE(vm->isAuthenticated.get());
    EXPECT_EQ(api.requests, 0);
    store.save(KeychainService::serviceName, "auth_token", "from the command line");
    vm->adoptStoredSignIn();
    EXPECT_TRUE(vm->isAuthenticated.get());
    EXPECT_EQ(api.requests, 1);
    api.completeNext(UserResponse{userNamed("Ada")});
    queue.runPending();
    EXPECT_EQ(vm->user.get()->name, "Ada");
    store.items.clear(); // signed out elsewhere
    vm->adoptStoredSignIn();
    EXPECT_FALSE(vm->isAuthenticated.get());
    EXPECT_FALSE(vm->user.get());
}

TEST_F(AppViewModelTest, ResultIsAppliedOnTheMainQueueAndClearsAnEarlierMessage) {
    auto vm = make();
    vm->showErrorMessage("Please select some text first.");
    vm->loadUser();
    api.completeNext(UserResponse{userNamed("Ada")});
    EXPECT_FALSE(vm->user.get()) << "applied before the main queue ran";
    queue.runPending();
    EXPECT_EQ(vm->user.get()->name, "Ada");
    EXPECT_FALSE(vm->errorMessage.get());
    int notifications = 0;
    auto watch = vm->errorMessage.observe([&](const auto&) { ++notifications; });
    queue.advance(3s);
    EXPECT_EQ(notifications, 0) << "the clearing step finds nothing to clear";
}

TEST_F(AppViewModelTest, UnauthorizedSignsOutLocallyAndKeepsTheMessage) {
    auto vm = make();
    vm->showErrorMessage("earlier");
    vm->user.set(userNamed("Ada"));
    vm->loadUser();
    api.completeNext(APIError::unauthorized());
    queue.runPending();
    EXPECT_FALSE(vm->isAuthenticated.get());
    EXPECT_FALSE(vm->user.get());
    EXPECT_EQ(vm->errorMessage.get(), "earlier");
    EXPECT_TRUE(store.items.empty());
}

TEST_F(AppViewModelTest, OtherFailuresShowTheirMessageAndKeepTheUser) {
    const std::pair<ServiceError, const char*> cases[] = {
        {APIError::serverError(500), "Server error. Please try again later."},
        {CodingError{"key \"user\": missing"}, "key \"user\": missing"},
    };
    for (const auto& [error, message] : cases) {
        auto vm = make();
        vm->user.set(userNamed("Ada"));
        vm->loadUser();
        api.completeNext(error);
        queue.runPending();
        EXPECT_TRUE(vm->isAuthenticated.get());
        EXPECT_EQ(vm->user.get()->name, "Ada");
        EXPECT_EQ(vm->errorMessage.get(), message);
    }
}

TEST_F(AppViewModelTest, OverlappingLoadsApplyInCompletionOrder) {
    auto vm = make();
    vm->loadUser();
    vm->loadUser();
    ASSERT_EQ(api.pending.size(), 2u);
    auto first = std::move(api.pending.front());
    api.pending.pop_front();
    api.completeNext(UserResponse{userNamed("second")});
    first(UserResponse{userNamed("first, completing last")});
    queue.runPending();
    EXPECT_EQ(vm->user.get()->name, "first, completing last");
}

TEST_F(AppViewModelTest, EveryUserWriteNotifiesEvenWhenEqual) {
    auto vm = make();
    int notifications = 0;
    auto watch = vm->user.observe([&](const auto&) { ++notifications; });
    for (int i = 0; i < 2; ++i) {
        vm->loadUser();
        api.completeNext(UserResponse{userNamed("Ada")});
        queue.runPending();
    }
    EXPECT_EQ(notifications, 2);
}

TEST_F(AppViewModelTest, OverlappingMessagesClearAtTheFirstCallsDeadline) {
    auto vm = make();
    std::vector<std::optional<std::string>> seen;
    auto watch = vm->errorMessage.observe([&](const auto& m) { seen.push_back(m); });
    vm->showErrorMessage("first");
    queue.advance(2s);
    vm->showErrorMessage("second");
    queue.advance(999ms);
    EXPECT_EQ(vm->errorMessage.get(), "second");
    queue.advance(1ms);
    EXPECT_FALSE(vm->errorMessage.get());
    queue.advance(2s);
    EXPECT_EQ(seen, (std::vector<std::optional<std::string>>{"first", "second", std::nullopt}));
}

TEST_F(AppViewModelTest, ClearingStepOfADestroyedModelDoesNothing) {
    auto vm = make();
    vm->showErrorMessage("gone soon");
    vm->loadUser();
    std::weak_ptr<AppViewModel> weak = vm;
    vm.reset();
    EXPECT_TRUE(weak.expired());
    api.completeNext(UserResponse{userNamed("Ada")});
    queue.advance(3s);
    EXPECT_EQ(queue.pendingCount(), 0u);
}

TEST_F(AppViewModelTest, LoginSuccessSignsInAndLoadsWithoutNotifyingAnUnchangedFlag) {
    store.items.clear();
    auto vm = make();
    int flagNotifications = 0;
    auto watch = vm->showLoginWindow.observe([&](bool) { ++flagNotifications; });
    vm->onLoginSuccess();
    EXPECT_TRUE(vm->isAuthenticated.get());
    EXPECT_FALSE(vm->showLoginWindow.get());
    EXPECT_EQ(flagNotifications, 0);
    EXPECT_EQ(api.requests, 0) << "the load starts as its own task";
    queue.runPending();
    EXPECT_EQ(api.requests, 1);
}

TEST_F(AppViewModelTest, LogoutEndsSignedOutEvenWhenTheServiceIsUnreachable) {
    auto vm = make();
    vm->user.set(userNamed("Ada"));
    bool done = false;
    vm->logout([&] { done = true; });
    EXPECT_TRUE(vm->isAuthenticated.get()) << "still waiting for the sign-out call";
    ASSERT_EQ(auth.pending.size(), 1u);
    auth.pending.front()();
    queue.runPending();
    EXPECT_TRUE(done);
    EXPECT_FALSE(vm->isAuthenticated.get());
    EXPECT_FALSE(vm->user.get());
}

} // namespace
} // namespace scribeon
