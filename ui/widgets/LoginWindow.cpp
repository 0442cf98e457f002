#include "ui/widgets/LoginWindow.h"

#include "ui/AuthViewModel.h"
#include "ui/widgets/LoginView.h"
#include "ui/widgets/MenuBarIcon.h"
#include "ui/widgets/WindowPlacement.h"

namespace scribeon {

namespace {

void bringForward(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

LoginWindow::~LoginWindow() {
    delete window_.data();
}

void LoginWindow::show(std::function<void()> onSuccess) {
    if (!window_)
        create(std::move(onSuccess));
    bringForward(window_);
}

void LoginWindow::create(std::function<void()> onSuccess) {
    std::weak_ptr<bool> alive = alive_;
    auto finished = [this, alive, onSuccess = std::move(onSuccess)] {
        if (alive.expired())
            return;
        if (QWidget* done = window_) {
            window_ = nullptr;
            done->close();
            done->deleteLater();
        }
        if (onSuccess)
            onSuccess();
    };
    auto* view = new LoginView(AuthViewModel::create(authService_), std::move(finished));
    view->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    view->setWindowTitle(QStringLiteral("Scribeon \u2014 Sign In"));
    view->setWindowIcon(applicationIcon());
    view->setFixedSize(contentWidth, contentHeight);
    centreOnPrimaryScreen(*view);
    window_ = view;
}

} // namespace scribeon
