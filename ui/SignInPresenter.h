#pragma once

#include <functional>

namespace scribeon {

// The sign-in window; `onSuccess` runs after a successful sign-in, once the
// window has closed.
class SignInPresenter {
public:
    virtual ~SignInPresenter() = default;
    virtual void show(std::function<void()> onSuccess) = 0;
};

} // namespace scribeon
