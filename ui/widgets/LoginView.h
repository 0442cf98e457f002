#pragma once

#include "base/Subscription.h"
#include "ui/AuthViewModel.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace scribeon {

// The sign-in form over an AuthViewModel: header, e-mail and password, the
// error in red, and the full-width "Sign In" button that shows a busy bar
// while the request is in flight.
class LoginView : public QWidget {
    Q_OBJECT
public:
    LoginView(std::shared_ptr<AuthViewModel> model, std::function<void()> onSuccess,
              QWidget* parent = nullptr);

private:
    void submit();
    void refresh();

    std::shared_ptr<AuthViewModel> model_;
    std::function<void()> onSuccess_;
    QLineEdit* email_;
    QLineEdit* password_;
    QLabel* error_;
    QPushButton* signIn_;
    QProgressBar* busy_;
    std::vector<Subscription> subscriptions_;
};

} // namespace scribeon
