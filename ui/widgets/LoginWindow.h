#pragma once

#include "service/AuthService.h"
#include "ui/SignInPresenter.h"

#include <QPointer>
#include <QWidget>

#include <memory>

namespace scribeon {

// The sign-in window. Created on the first show and kept when the user
// closes it, so the next show brings back the same form; a successful
// sign-in drops it, so the one after starts empty.
class LoginWindow final : public SignInPresenter {
public:
    static constexpr int contentWidth = 320;
    static constexpr int contentHeight = 380;

    explicit LoginWindow(AuthService& authService) : authService_(authService) {}
    ~LoginWindow() override;

    void show(std::function<void()> onSuccess) override;
    QWidget* window() const { return window_; }

private:
    void create(std::function<void()> onSuccess);

    AuthService& authService_;
    QPointer<QWidget> window_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace scribeon
