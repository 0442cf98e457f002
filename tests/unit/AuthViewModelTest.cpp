#include "ui/AuthViewModel.h"

#include "ScriptedAuthService.h"

#include <gtest/gtest.h>

#include <vector>

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

TEST_F(AuthViewModelTest, ValidityTrimsBlanksAndTabsOfTheEmailOnly) {
    const struct {
        std::string email, password;
        bool valid;
    } cases[] = {
        {"ada@example.com", "pw", true},
        {"   ", "pw", false},
        {" \t ", "pw", false},
        {"\n", "pw", true}, // line breaks are not blanks
        {"ada@example.com", "", false},
        {"ada@example.com", " ", true},
        {"", "", false},
    };
    for (const auto& c : cases) {
        type(c.email, c.password);
        EXPECT_EQ(form->isValid(), c.valid) << '"' << c.email << "\" / \"" << c.password << '"';
    }
}

TEST_F(AuthViewModelTest, InvalidInputIsRefusedWithoutARequest) {
    type("   ", "secret");
    form->login(onSuccess);
    EXPECT_TRUE(auth.calls.empty());
    EXPECT_FALSE(form->isLoading.get());
    EXPECT_EQ(form->errorMessage.get(), "Please enter email and password.");
}

TEST_F(AuthViewModelTest, SendsTheTrimmedEmailAndThePasswordAsTypedOnce) {
    type("  ada@example.com ", "  pass word ");
    form->login(onSuccess);
    ASSERT_EQ(auth.calls.size(), 1u);
    EXPECT_EQ(auth.calls[0].first, "ada@example.com");
    EXPECT_EQ(auth.calls[0].second, "  pass word ");
    EXPECT_TRUE(form->isLoading.get());
    form->login(onSuccess); // a second submit while loading is ignored
    EXPECT_EQ(auth.calls.size(), 1u);
    auth.answer(std::string("token"));
    EXPECT_EQ(successes, 1);
}

TEST_F(AuthViewModelTest, SuccessStopsLoadingBeforeTellingTheOpener) {
    type("ada@example.com", "pw");
    bool loadingWhenTold = true;
    form->login([&] { loadingWhenTold = form->isLoading.get(); });
    auth.answer(std::string("token"));
    EXPECT_FALSE(loadingWhenTold);
}

TEST_F(AuthViewModelTest, FailureShowsTheServiceWordingAndKeepsTheFields) {
    type("ada@example.com", "wrong");
    form->login(onSuccess);
    auth.answer(ServiceError(APIError::validationError("The provided credentials are incorrect.")));
    EXPECT_EQ(successes, 0);
    EXPECT_FALSE(form->isLoading.get());
    EXPECT_EQ(form->errorMessage.get(), "The provided credentials are incorrect.");
    EXPECT_EQ(form->email.get(), "ada@example.com");
    EXPECT_EQ(form->password.get(), "wrong");
}

TEST_F(AuthViewModelTest, ANewRequestClearsTheEarlierErrorAndCanSucceed) {
    type("ada@example.com", "wrong");
    form->login(onSuccess);
    auth.answer(ServiceError(APIError::unauthorized()));
    EXPECT_EQ(form->errorMessage.get(), "Session expired. Please sign in again.");
    form->password.set("right");
    form->login(onSuccess);
    EXPECT_EQ(form->errorMessage.get(), std::nullopt);
    auth.answer(std::string("token"));
    EXPECT_EQ(successes, 1);
}

TEST_F(AuthViewModelTest, AnAnswerAfterTheFormIsGoneDoesNothing) {
    type("ada@example.com", "pw");
    form->login(onSuccess);
    form.reset();
    auth.answer(std::string("token"));
    EXPECT_EQ(successes, 0);
}

} // namespace
} // namespace scribeon
