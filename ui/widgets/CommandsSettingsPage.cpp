#include "ui/widgets/CommandsSettingsPage.h"

#include "platform/qt/PlainText.h"
#include "platform/qt/ThemedIcon.h"
#include "ui/widgets/CommandSettingsListModel.h"
#include "ui/widgets/CommandSettingsListView.h"
#include "ui/widgets/EmojiPickerView.h"
#include "ui/widgets/LoadingView.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace scribeon {

namespace {

QFont scaled(QFont font, qreal factor, bool bold = false) {
    font.setPointSizeF(font.pointSizeF() * factor);
    font.setBold(bold);
    return font;
}

} // namespace

CommandsSettingsPage::CommandsSettingsPage(std::shared_ptr<SettingsViewModel> model,
                                           UrlOpener& urlOpener, const std::string& serviceOrigin,
                                           QWidget* parent)
    : QWidget(parent), model_(std::move(model)),
      rows_(std::make_unique<CommandSettingsListModel>(*model_)), body_(new QStackedWidget),
      loading_(new LoadingView(tr("Loading commands..."))), error_(errorBlock()),
      list_(new CommandSettingsListView(*rows_)) {
    constexpr int padding = 20;
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, padding / 2);
    column->addWidget(header());
    body_->addWidget(loading_);
    body_->addWidget(error_);
    body_->addWidget(list_);
    column->addWidget(body_, 1);
    column->addWidget(link(urlOpener, serviceOrigin), 0, Qt::AlignHCenter);

    connect(list_, &CommandSettingsListView::toggleRequested, this, [this](int row) {
        model_->toggleCommand(model_->commands.get().at(static_cast<std::size_t>(row)));
    });
    connect(list_, &CommandSettingsListView::moveRequested, this, [this](int row, int destination) {
        model_->moveCommand({static_cast<std::size_t>(row)}, static_cast<std::size_t>(destination));
    });
    connect(list_, &CommandSettingsListView::emojiButtonPressed, this,
            &CommandsSettingsPage::openPicker);
    auto refresh = [this](const auto&) { showBody(); };
    subscriptions_.push_back(model_->isLoading.observe(refresh));
    subscriptions_.push_back(model_->errorMessage.observe(refresh));
    showBody();
}

CommandsSettingsPage::~CommandsSettingsPage() = default;

QWidget* CommandsSettingsPage::header() {
    auto* box = new QWidget;
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(20, 16, 20, 12);
    auto* title = new QLabel(tr("Commands"));
    title->setFont(scaled(title->font(), 1.0, true));
    auto* caption = new QLabel(tr("Toggle commands on/off. Drag to reorder."));
    caption->setFont(scaled(caption->font(), 0.85));
    caption->setForegroundRole(QPalette::PlaceholderText);
    column->addWidget(title);
    column->addWidget(caption);
    return box;
}

QWidget* CommandsSettingsPage::errorBlock() {
    constexpr int iconSize = 28;
    auto* box = new QWidget;
    auto* column = new QVBoxLayout(box);
    column->addStretch();
    auto* icon = new QLabel;
    icon->setPixmap(themedPixmap("dialog-warning", QStyle::SP_MessageBoxWarning, iconSize,
                                 icon->palette().color(QPalette::WindowText)));
    icon->setAccessibleName(tr("Warning"));
    column->addWidget(icon, 0, Qt::AlignHCenter);
    errorText_ = plainLabel();
    errorText_->setWordWrap(true);
    errorText_->setAlignment(Qt::AlignCenter);
    errorText_->setForegroundRole(QPalette::PlaceholderText);
    column->addWidget(errorText_);
    auto* retry = new QPushButton(tr("Retry"));
    connect(retry, &QPushButton::clicked, this, [this] { model_->loadCommands(); });
    column->addWidget(retry, 0, Qt::AlignHCenter);
    column->addStretch();
    return box;
}

QWidget* CommandsSettingsPage::link(UrlOpener& urlOpener, const std::string& serviceOrigin) {
    auto* button = new QPushButton(themedIcon("document-open-remote", QStyle::SP_ArrowUp),
                                   tr("Manage commands on ") + siteName(serviceOrigin));
    button->setFont(scaled(button->font(), 0.95));
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(QStringLiteral(
        "QPushButton { padding: 6px 10px; border-radius: 8px; border: none; "
        "background: rgba(128, 128, 128, 0.12); }"
        "QPushButton:hover, QPushButton:focus { background: rgba(128, 128, 128, 0.22); }"));
    connect(button, &QPushButton::clicked, this,
            [&urlOpener, page = serviceOrigin + "/commands"] { urlOpener.openURL(page); });
    return button;
}

QString CommandsSettingsPage::siteName(const std::string& origin) {
    QString name = QString::fromStdString(origin);
    const qsizetype scheme = name.indexOf(QStringLiteral("://"));
    if (scheme >= 0)
        name = name.mid(scheme + 3);
    while (name.endsWith(QLatin1Char('/')))
        name.chop(1);
    return name;
}

void CommandsSettingsPage::showBody() {
    if (model_->isLoading.get()) {
        body_->setCurrentWidget(loading_);
    } else if (const auto& message = model_->errorMessage.get()) {
        errorText_->setText(QString::fromStdString(*message));
        errorText_->setAccessibleName(errorText_->text());
        body_->setCurrentWidget(error_);
    } else {
        body_->setCurrentWidget(list_);
    }
}

void CommandsSettingsPage::openPicker(int row, const QRect& anchor) {
    const auto& commands = model_->commands.get();
    if (row < 0 || static_cast<std::size_t>(row) >= commands.size())
        return;
    const std::string code = commands[static_cast<std::size_t>(row)].code;
    auto* picker = new EmojiPickerView(QString::fromStdString(model_->emojiFor(code)), window());
    std::weak_ptr<SettingsViewModel> weak = model_;
    connect(picker, &EmojiPickerView::chosen, this, [weak, code](const QString& emoji) {
        if (auto model = weak.lock())
            model->chooseEmoji(code, emoji.toStdString());
    });
    // The row the picker came from gets the keyboard back.
    connect(picker, &QObject::destroyed, list_, [list = QPointer<QListView>(list_)] {
        if (list && list->isVisible()) {
            list->activateWindow();
            list->setFocus(Qt::PopupFocusReason);
        }
    });
    picker->popUp(anchor);
}

} // namespace scribeon
