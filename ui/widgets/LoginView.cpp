#include "ui/widgets/LoginView.h"

#include "platform/qt/PlainText.h"
#include "ui/widgets/MenuBarIcon.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace scribeon {

namespace {

constexpr int iconSide = 64;
constexpr int groupSpacing = 20;
constexpr int padding = 30;

QLabel* headerLabel(const QString& text, qreal pointScale, bool bold) {
    auto* label = new QLabel(text);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * pointScale);
    font.setBold(bold);
    label->setFont(font);
    label->setAlignment(Qt::AlignHCenter);
    return label;
}

QLineEdit* field(const QString& placeholder) {
    auto* edit = new QLineEdit;
    edit->setPlaceholderText(placeholder);
    edit->setAccessibleName(placeholder);
    edit->setMinimumHeight(28);
    return edit;
}

} // namespace

LoginView::LoginView(std::shared_ptr<AuthViewModel> model, std::function<void()> onSuccess,
                     QWidget* parent)
    : QWidget(parent), model_(std::move(model)), onSuccess_(std::move(onSuccess)),
      email_(field(tr("Email"))), password_(field(tr("Password"))), error_(plainLabel()),
      signIn_(new QPushButton(tr("Sign In"))), busy_(new QProgressBar(signIn_)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(padding, padding, padding, padding);
    column->setSpacing(groupSpacing);

    auto* header = new QVBoxLayout;
    auto* icon = new QLabel;
    icon->setPixmap(applicationIcon().pixmap(iconSide, iconSide));
    icon->setFixedSize(iconSide, iconSide);
    icon->setScaledContents(true);
    icon->setAccessibleName(QStringLiteral("Scribeon"));
    header->addWidget(icon, 0, Qt::AlignHCenter);
    header->addWidget(headerLabel(QStringLiteral("Scribeon"), 1.6, true));
    auto* subtitle = headerLabel(tr("Sign in to your account"), 1.0, false);
    subtitle->setForegroundRole(QPalette::PlaceholderText);
    header->addWidget(subtitle);
    column->addLayout(header);

    auto* fields = new QVBoxLayout;
    email_->setInputMethodHints(Qt::ImhEmailCharactersOnly | Qt::ImhNoAutoUppercase);
    password_->setEchoMode(QLineEdit::Password);
    password_->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData);
    fields->addWidget(email_);
    fields->addWidget(password_);
    column->addLayout(fields);

    error_->setStyleSheet(QStringLiteral("color: #d70015;"));
    error_->setWordWrap(true);
    error_->setAccessibleDescription(tr("Error"));
    column->addWidget(error_);

    signIn_->setDefault(true);
    signIn_->setMinimumHeight(32);
    signIn_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    signIn_->setAccessibleName(tr("Sign In"));
    auto* busyRow = new QHBoxLayout(signIn_);
    busy_->setRange(0, 0);
    busy_->setTextVisible(false);
    busy_->setFixedSize(48, 6);
    busy_->setAccessibleName(tr("Signing in"));
    busyRow->addWidget(busy_, 0, Qt::AlignCenter);
    column->addWidget(signIn_);
    column->addStretch();

    connect(email_, &QLineEdit::textChanged, this,
            [this](const QString& text) { model_->email.set(text.toStdString()); });
    connect(password_, &QLineEdit::textChanged, this,
            [this](const QString& text) { model_->password.set(text.toStdString()); });
    connect(password_, &QLineEdit::returnPressed, this, [this] {
        if (model_->isValid())
            submit();
    });
    connect(signIn_, &QPushButton::clicked, this, &LoginView::submit);
    for (auto* text : {&model_->email, &model_->password})
        subscriptions_.push_back(text->observe([this](const std::string&) { refresh(); }));
    subscriptions_.push_back(model_->isLoading.observe([this](bool) { refresh(); }));
    subscriptions_.push_back(
        model_->errorMessage.observe([this](const std::optional<std::string>&) { refresh(); }));
    email_->setText(QString::fromStdString(model_->email.get()));
    password_->setText(QString::fromStdString(model_->password.get()));
    refresh();
}

void LoginView::submit() {
    model_->login(onSuccess_);
}

void LoginView::refresh() {
    const bool loading = model_->isLoading.get();
    signIn_->setEnabled(model_->isValid() && !loading);
    signIn_->setText(loading ? QString() : tr("Sign In"));
    busy_->setVisible(loading);
    const auto& message = model_->errorMessage.get();
    error_->setText(message ? QString::fromStdString(*message) : QString());
    error_->setAccessibleName(error_->text()); // what a screen reader announces
    error_->setVisible(message.has_value());
}

} // namespace scribeon
