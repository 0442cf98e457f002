#include "app/AppViewModel.h"

#include "tests/fakes/AppFakes.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

using namespace std::chrono_literals;

User userNamed(std::string name) {
    User user;
    user.id = 1;
    user.name = std::move(name);
    return user;
}

struct AppViewModelTest : testing::Test, test::AppHarness {
    AppViewModelTest() { signIn(); }
    std::shared_ptr<AppViewModel> make() {
        return AppViewModel::create(queue, keychain, api, auth);
    }
};

// Sign-ins and sign-outs made on the command line reach the running program
// end to end; here that a signed-out load still finishes, having sent nothing.
TEST_F(AppViewModelTest, ALoadWhileSignedOutSendsNothingAndStillFinishes) {
    store.items.clear();
    auto vm = make();
    vm->adoptStoredSignIn();
    bool done = false;
    vm->loadUser([&] { done = true; });
    EXPECT_TRUE(done);
    EXPECT_EQ(api.requests, 0);
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
    // The answer and the clearing step of a destroyed model do nothing.
    vm->showErrorMessage("gone soon");
    vm->loadUser();
    vm.reset();
    api.completeNext(UserResponse{userNamed("Ada")});
    queue.advance(3s);
    EXPECT_EQ(queue.pendingCount(), 0u);
}

// Only a refused token signs out, and it says nothing of its own.
TEST_F(AppViewModelTest, AFailedLoadSignsOutOnlyWhenUnauthorized) {
    const ServiceError errors[] = {APIError::unauthorized(), APIError::serverError(500),
                                   CodingError{"key \"user\": missing"}};
    for (const ServiceError& error : errors) {
        signIn();
        auto vm = make();
        vm->showErrorMessage("earlier");
        vm->user.set(userNamed("Ada"));
        vm->loadUser();
        api.completeNext(error);
        queue.runPending();
        const bool signsOut = error.is(APIError::Kind::unauthorized);
        EXPECT_EQ(vm->isAuthenticated.get(), !signsOut) << error.description();
        EXPECT_EQ(vm->user.get().has_value(), !signsOut) << error.description();
        EXPECT_EQ(store.items.empty(), signsOut) << error.description();
        EXPECT_EQ(vm->errorMessage.get(), signsOut ? "earlier" : error.description());
    }
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

TEST_F(AppViewModelTest, LoginSuccessSignsInAndLoadsWithoutNotifyingAnUnchangedFlag) {
    store.items.clear();
    auto vm = make();
    int flagNotifications = 0;
    auto watch = vm->showLoginWindow.observe([&](bool) { ++flagNotifications; });
    vm->onLoginSuccess();
    EXPECT_TRUE(vm->isAuthenticated.get());
    EXPECT_EQ(flagNotifications, 0);
    EXPECT_EQ(api.requests, 0) << "the load starts as its own task";
    queue.runPending();
    EXPECT_EQ(api.requests, 1);
}

} // namespace
} // namespace scribeon
