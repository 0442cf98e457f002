#pragma once

#include "platform/Notifier.h"
#include "ui/SignInPresenter.h"
#include "wording/KeyText.h"

#include <string>

namespace scribeon {

// Stands in for the sign-in window until the program has one: a shortcut
// press while signed out tells the user how to sign in.
class NotifyingSignInPresenter final : public SignInPresenter {
public:
    explicit NotifyingSignInPresenter(Notifier& notifier) : notifier_(notifier) {}
    void show(std::function<void()>) override {
        notifier_.notify(std::string(KeyText::notificationTitle),
                         std::string(KeyText::signInFirstMessage), std::nullopt);
    }

private:
    Notifier& notifier_;
};

} // namespace scribeon
