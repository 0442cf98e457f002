#include "ui/widgets/SettingsView.h"

#include "platform/qt/ThemedIcon.h"
#include "ui/widgets/CommandsSettingsPage.h"
#include "ui/widgets/ErrorToastView.h"
#include "ui/widgets/GeneralSettingsPage.h"

#include <QButtonGroup>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

namespace scribeon {

namespace {

QToolButton* pageButton(const QString& title, const QIcon& icon) {
    auto* button = new QToolButton;
    button->setText(title);
    button->setIcon(icon);
    button->setAccessibleName(title);
    button->setCheckable(true);
    button->setAutoExclusive(true);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return button;
}

} // namespace

SettingsView::SettingsView(SettingsCollaborators& collaborators, QWidget* parent)
    : QWidget(parent),
      model_(SettingsViewModel::create(collaborators.commands, collaborators.queue)),
      recorder_(collaborators.preferences, collaborators.hotkey),
      general_(collaborators.updater, collaborators.autostart,
               [weak = std::weak_ptr<SettingsViewModel>(model_)](std::string message) {
                   if (auto model = weak.lock())
                       model->toastMessage.set(std::move(message));
               }),
      pages_(new QStackedWidget),
      commandsPage_(
          new CommandsSettingsPage(model_, collaborators.urlOpener, collaborators.serviceOrigin)),
      toast_(nullptr) {
    auto* split = new QHBoxLayout(this);
    split->setContentsMargins(0, 0, 0, 0);
    split->setSpacing(0);
    split->addWidget(sidebar());
    auto* divider = new QFrame;
    divider->setFrameShape(QFrame::VLine);
    divider->setFrameShadow(QFrame::Sunken);
    split->addWidget(divider);
    pages_->addWidget(new GeneralSettingsPage(
        {recorder_, collaborators.isHotkeyRegistered, collaborators.shortcutsAvailable}, general_));
    pages_->addWidget(commandsPage_);
    split->addWidget(pages_, 1);

    toast_ = new ErrorToastView(this);
    connect(toast_, &ErrorToastView::clicked, this, [this] { model_->dismissToast(); });
    subscriptions_.push_back(
        model_->toastMessage.observe([this](const std::optional<std::string>& message) {
            toast_->setMessage(message ? QString::fromStdString(*message) : QString());
        }));
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &SettingsView::focusWindowChanged);
    focused_ = qGuiApp->focusWindow();
    select(SettingsPage::general);
}

SettingsView::~SettingsView() = default;

QWidget* SettingsView::sidebar() {
    constexpr int padding = 8;
    auto* bar = new QWidget;
    bar->setFixedWidth(sidebarWidth);
    bar->setAutoFillBackground(true);
    bar->setBackgroundRole(QPalette::Base);
    auto* column = new QVBoxLayout(bar);
    column->setContentsMargins(padding, padding, padding, padding);
    column->setSpacing(2);
    pageButtons_ = {pageButton(tr("General"),
                               themedIcon("preferences-system", QStyle::SP_FileDialogDetailedView)),
                    pageButton(tr("Commands"), themedIcon("starred", QStyle::SP_DialogYesButton))};
    QColor accent = palette().color(QPalette::Highlight);
    bar->setStyleSheet(QStringLiteral("QToolButton { padding: 8px 12px; border: none; "
                                      "border-radius: 6px; text-align: left; }"
                                      "QToolButton:checked { background: rgba(%1, %2, %3, 0.15); }"
                                      "QToolButton:focus { border: 1px solid palette(highlight); }")
                           .arg(accent.red())
                           .arg(accent.green())
                           .arg(accent.blue()));
    for (std::size_t i = 0; i < pageButtons_.size(); ++i) {
        column->addWidget(pageButtons_[i]);
        connect(pageButtons_[i], &QToolButton::clicked, this,
                [this, i] { select(static_cast<SettingsPage>(i)); });
    }
    column->addStretch();
    return bar;
}

SettingsPage SettingsView::selectedPage() const {
    return static_cast<SettingsPage>(pages_->currentIndex());
}

void SettingsView::select(SettingsPage page) {
    const auto index = static_cast<std::size_t>(page);
    pages_->setCurrentIndex(static_cast<int>(index));
    pageButtons_[index]->setChecked(true);
}

void SettingsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (appeared_)
        return;
    appeared_ = true;
    model_->appeared();
}

void SettingsView::focusWindowChanged(QWindow* window) {
    // Only an activation from outside the program counts: the emoji picker
    // or the tray panel handing the focus back is not the user coming back.
    const bool fromOutside = !focused_;
    focused_ = window;
    if (window && fromOutside && appeared_)
        model_->windowBecameActive(window->title().toStdString());
}

} // namespace scribeon
