#include "ui/widgets/SettingsView.h"

#include "platform/qt/ThemedIcon.h"
#include "ui/widgets/CommandsSettingsPage.h"
#include "ui/widgets/ErrorToastView.h"
#include "ui/widgets/GeneralSettingsPage.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QWindow>

namespace scribeon {

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
    pages_->addWidget(
        new GeneralSettingsPage({recorder_, collaborators.isHotkeyRegistered,
                                 collaborators.shortcutsAvailable, collaborators.desktopShortcut},
                                general_));
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

// The pages hold references to this view's state, which goes before the
// QWidget base deletes its children: they go first.
SettingsView::~SettingsView() {
    delete pages_;
}

// A list rather than buttons: screen readers announce "General, selected,
// 1 of 2", and the arrow keys move between the pages.
QWidget* SettingsView::sidebar() {
    constexpr int padding = 8;
    sidebar_ = new QListWidget;
    sidebar_->setFixedWidth(sidebarWidth);
    sidebar_->setAccessibleName(tr("Pages"));
    sidebar_->setFrameShape(QFrame::NoFrame);
    sidebar_->setIconSize(QSize(16, 16));
    sidebar_->setSpacing(1);
    sidebar_->addItem(new QListWidgetItem(
        themedIcon("preferences-system", QStyle::SP_FileDialogDetailedView), tr("General")));
    sidebar_->addItem(
        new QListWidgetItem(themedIcon("starred", QStyle::SP_DialogYesButton), tr("Commands")));
    const QColor accent = palette().color(QPalette::Highlight);
    sidebar_->setStyleSheet(
        QStringLiteral("QListWidget { padding: %1px; background: palette(base); outline: none; }"
                       "QListWidget::item { padding: 8px 12px; border-radius: 6px; "
                       "color: palette(text); }"
                       "QListWidget::item:selected { background: rgba(%2, %3, %4, 0.15); }")
            .arg(padding)
            .arg(accent.red())
            .arg(accent.green())
            .arg(accent.blue()));
    connect(sidebar_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            pages_->setCurrentIndex(row);
    });
    return sidebar_;
}

SettingsPage SettingsView::selectedPage() const {
    return static_cast<SettingsPage>(pages_->currentIndex());
}

void SettingsView::select(SettingsPage page) {
    sidebar_->setCurrentRow(static_cast<int>(page));
    pages_->setCurrentIndex(static_cast<int>(page));
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
