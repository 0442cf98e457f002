#include "ui/AuthViewModel.h"

#include "tests/fakes/ScriptedAuthService.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

using test::ScriptedAuthService;

class AuthViewModelTest : public testing::Test {
protected:
    void type(const std::string& email, const std::string& password) {
        form->email.set(email);
        form->password.set(password);
    }
    ScriptedAuthService auth;
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
