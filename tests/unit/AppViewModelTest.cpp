#include "app/AppViewModel.h"
#include "ui/AuthViewModel.h"

#include "tests/fakes/AppFakes.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

using namespace std::chrono_literals;

struct AppViewModelTest : testing::Test, test::AppHarness {
    AppViewModelTest() { signIn(); }
    std::shared_ptr<AppViewModel> make() {
        return AppViewModel::create(queue, keychain, api, auth);
    }
    const User ada{1, "Ada", "", "", {}, "", {}};
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
    api.completeNext(UserResponse{ada});
    EXPECT_FALSE(vm->user.get()) << "applied before the main queue ran";
    queue.runPending();
    EXPECT_EQ(vm->user.get()->name, "Ada");
    EXPECT_FALSE(vm->errorMessage.get());
    // The answer and the clearing step of a destroyed model do nothing.
    vm->showErrorMessage("gone soon");
    vm->loadUser();
    vm.reset();
    api.completeNext(UserResponse{ada});
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
        vm->user.set(ada);
        vm->loadUser();
        api.completeNext(error);
        queue.runPending();
        const bool out = error.is(APIError::Kind::unauthorized);
        EXPECT_EQ(std::tuple(vm->isAuthenticated.get(), vm->user.get().has_value(),
                             store.items.empty(), vm->errorMessage.get()),
                  std::tuple(!out, !out, out, out ? "earlier" : error.description()));
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

struct AuthViewModelTest : testing::Test {
    void type(const std::string& email, const std::string& password) {
        form->email.set(email);
        form->password.set(password);
    }
    test::ScriptedAuthService auth;
    std::shared_ptr<AuthViewModel> form = AuthViewModel::create(auth);
    int successes = 0;
    std::function<void()> onSuccess = [this] { ++successes; };
};

// The window's own test refuses a blank e-mail; here what is not blank.
TEST_F(AuthViewModelTest, ValidityTrimsBlanksAndTabsOfTheEmailOnly) {
    type("\n", "pw");
    EXPECT_TRUE(form->isValid()) << "line breaks are not blanks";
    type("ada@example.com", " ");
    EXPECT_TRUE(form->isValid()) << "a blank password is typed as it is";
}

// The window's own test covers the button, Return and the kept fields; here
// what the request carries and the order of the state changes.
TEST_F(AuthViewModelTest, SendsTheTrimmedEmailAndThePasswordAsTypedAndTellsWhenDone) {
    type("  ada@example.com ", "  pass word ");
    bool loadingWhenTold = true;
    form->login([&] { loadingWhenTold = form->isLoading.get(); });
    ASSERT_EQ(auth.calls.size(), 1u);
    EXPECT_EQ(auth.calls[0],
              (std::pair<std::string, std::string>{"ada@example.com", "  pass word "}));
    auth.answer(std::string("token"));
    EXPECT_FALSE(loadingWhenTold);
}

TEST_F(AuthViewModelTest, ANewRequestClearsTheErrorAndCanSucceed) {
    type("ada@example.com", "wrong");
    form->login(onSuccess);
    auth.answer(ServiceError(APIError::unauthorized()));
    form->password.set("right");
    form->login(onSuccess);
    EXPECT_EQ(form->errorMessage.get(), std::nullopt);
    auth.answer(std::string("token"));
    EXPECT_EQ(successes, 1);
    form->login(onSuccess);
    form.reset(); // an answer after the form is gone does nothing
    auth.answer(std::string("token"));
    EXPECT_EQ(successes, 1);
}

} // namespace
} // namespace scribeon
