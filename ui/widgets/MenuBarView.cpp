#include "ui/widgets/MenuBarView.h"

#include "platform/qt/DesktopWindowState.h"
#include "platform/qt/PlainText.h"
#include "platform/qt/ThemedIcon.h"
#include "ui/ShortcutSettingsModel.h"
#include "ui/widgets/MenuBarIcon.h"
#include "ui/widgets/StatisticsView.h"

#include <QCursor>
#include <QFontDatabase>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace scribeon {

namespace {

constexpr int textWidth = MenuBarView::panelWidth - 32;

struct RowLook {
    const char* key;
    const char* icon;
    QStyle::StandardPixmap fallback;
    const char* title;
};

constexpr RowLook settingsRow{"settings", "preferences-system", QStyle::SP_FileDialogDetailedView,
                              "Settings"};
constexpr RowLook updatesRow{"updates", "system-software-update", QStyle::SP_ArrowDown,
                             "Check for Updates"};
constexpr RowLook signOutRow{"signout", "system-log-out", QStyle::SP_DialogCloseButton, "Sign Out"};
constexpr RowLook quitRow{"quit", "application-exit", QStyle::SP_DialogCancelButton,
                          "Quit Scribeon"};

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

QLabel* label(const QString& content, qreal pointScale = 1.0, QFont::Weight weight = QFont::Normal,
              bool secondary = false) {
    auto* text = plainLabel();
    QFont font = text->font();
    font.setPointSizeF(font.pointSizeF() * pointScale);
    font.setWeight(weight);
    text->setFont(font);
    text->setText(text->fontMetrics().elidedText(content, Qt::ElideRight, textWidth));
    text->setAccessibleName(content);
    if (text->text() != content)
        text->setToolTip(plainToolTip(content));
    if (secondary)
        text->setForegroundRole(QPalette::PlaceholderText);
    return text;
}

QFrame* divider() {
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setStyleSheet(QStringLiteral("color: rgba(128, 128, 128, 0.3);"));
    return line;
}

QWidget* menuRow(const RowLook& row, bool destructive, bool badge,
                 const std::function<void()>& action) {
    auto* button = new QPushButton;
    button->setObjectName(QString::fromLatin1(row.key));
    button->setAccessibleName(QString::fromLatin1(row.title));
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::TabFocus);
    const QColor ink =
        destructive ? QColor(0xff, 0x3b, 0x30) : button->palette().color(QPalette::Text);
    const QString colour = destructive ? ink.name() : QStringLiteral("palette(text)");
    button->setStyleSheet(
        QStringLiteral(
            "QPushButton { text-align: left; border: none; border-radius: 6px;"
            " padding: 6px 12px; color: %1; background: transparent; }"
            "QPushButton:hover, QPushButton:focus { background: rgba(128, 128, 128, 0.18); }")
            .arg(colour));
    auto* inner = new QHBoxLayout(button);
    inner->setContentsMargins(12, 6, 12, 6);
    auto* icon = new QLabel;
    icon->setPixmap(themedPixmap(row.icon, row.fallback, 16, ink));
    auto* title = new QLabel(QString::fromLatin1(row.title));
    title->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(colour));
    inner->addWidget(icon);
    inner->addWidget(title);
    inner->addStretch();
    if (badge) {
        auto* dot = new QLabel;
        dot->setObjectName(QStringLiteral("badge"));
        dot->setFixedSize(8, 8);
        dot->setStyleSheet(QStringLiteral("background: palette(highlight); border-radius: 4px;"));
        dot->setAccessibleName(QStringLiteral("Update available"));
        inner->addWidget(dot);
    }
    button->setMinimumHeight(inner->sizeHint().height());
    QObject::connect(button, &QPushButton::clicked, button, [action] {
        if (action)
            action();
    });
    return button;
}

// Inside the screen's available area, next to the icon: below it when the
// icon sits in the upper half of the screen, above it otherwise.
QPoint placeNextTo(const QRect& anchor, const QSize& size, const QRect& area) {
    const bool upper = anchor.center().y() < area.center().y();
    QPoint at(anchor.center().x() - size.width() / 2,
              upper ? anchor.bottom() + 4 : anchor.top() - size.height() - 4);
    at.setX(
        std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - size.width() + 1)));
    at.setY(
        std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() - size.height() + 1)));
    return at;
}

// The corner of the available area nearest the pointer.
QPoint nearestCorner(const QPoint& pointer, const QSize& size, const QRect& area) {
    const bool right = pointer.x() > area.center().x();
    const bool bottom = pointer.y() > area.center().y();
    return {right ? area.right() - size.width() + 1 : area.left(),
            bottom ? area.bottom() - size.height() + 1 : area.top()};
}

} // namespace

MenuBarView::MenuBarView(MenuBarModel& model, QWidget* parent)
    // A tool window rather than a Qt popup: Qt leaves popups out of the
    // accessibility tree, and screen readers must find the panel.
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      model_(model) {
    setWindowTitle(QStringLiteral("Scribeon"));
    setAccessibleName(QStringLiteral("Scribeon"));
    setFixedWidth(panelWidth);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto rebuildLater = [this](const auto&) { stateChanged(); };
    subscriptions_.push_back(model_.isAuthenticated.observe(rebuildLater));
    // Every opening reloads the account; an unchanged one changes nothing.
    subscriptions_.push_back(model_.user.observe([this](const std::optional<User>& user) {
        if (user != shownUser_)
            stateChanged();
    }));
    subscriptions_.push_back(model_.errorMessage.observe(rebuildLater));
    subscriptions_.push_back(model_.isUpdateAvailable.observe(rebuildLater));
    subscriptions_.push_back(model_.availableVersion.observe(rebuildLater));
    rebuild();
}

// Rebuilt at once while shown; a hidden panel is rebuilt when it opens.
void MenuBarView::stateChanged() {
    if (isVisible())
        rebuild();
    else
        stale_ = true;
}

void MenuBarView::rebuild() {
    stale_ = false;
    shownUser_ = model_.user.get();
    shownHotkey_ = model_.formattedHotkey ? model_.formattedHotkey() : std::string();
    // The old content may hold the button whose click led here.
    if (content_) {
        layout()->removeWidget(content_);
        content_->hide();
        content_->setParent(nullptr);
        content_->deleteLater();
    }
    content_ = new QWidget(this);
    auto* column = new QVBoxLayout(content_);
    column->setContentsMargins(8, 12, 8, 8);
    column->setSpacing(8);
    if (model_.isAuthenticated.get())
        addSignedIn(column);
    else
        addSignedOut(column);
    layout()->addWidget(content_);
    content_->show();
    adjustSize();
}

std::function<void()> MenuBarView::closingFirst(std::function<void()> action) {
    return [this, action = std::move(action)] {
        hide();
        if (action)
            action();
    };
}

void MenuBarView::addSignedIn(QVBoxLayout* column) {
    if (const auto& user = model_.user.get()) {
        auto* header = new QVBoxLayout;
        header->setContentsMargins(8, 0, 8, 0);
        header->setSpacing(2);
        header->addWidget(label(qs(user->name), 1.05, QFont::DemiBold));
        header->addWidget(label(qs(user->email), 0.85, QFont::Normal, true));
        column->addLayout(header);
        column->addWidget(divider());
        auto* statistics = new StatisticsView(user->statistics, user->plan);
        statistics->setContentsMargins(8, 0, 8, 0);
        column->addWidget(statistics);
        column->addWidget(divider());
    }
    if (const auto& message = model_.errorMessage.get()) {
        auto* line = new QHBoxLayout;
        line->setContentsMargins(8, 0, 8, 0);
        auto* icon = new QLabel;
        icon->setPixmap(themedPixmap("dialog-warning", QStyle::SP_MessageBoxWarning, 14,
                                     icon->palette().color(QPalette::PlaceholderText)));
        auto* text = plainLabel(qs(*message));
        text->setWordWrap(true);
        text->setForegroundRole(QPalette::PlaceholderText);
        text->setAccessibleName(qs(*message));
        line->addWidget(icon, 0, Qt::AlignTop);
        line->addWidget(text, 1);
        column->addLayout(line);
    }
    if (model_.isUpdateAvailable.get())
        addUpdateBanner(column);
    addShortcutReminder(column);
    column->addWidget(divider());
    column->addWidget(menuRow(settingsRow, false, false, closingFirst(model_.openSettings)));
    column->addWidget(menuRow(updatesRow, false, model_.isUpdateAvailable.get(),
                              closingFirst(model_.checkForUpdates)));
    // Signing out keeps the panel open on its signed-out content.
    column->addWidget(menuRow(signOutRow, true, false, model_.signOut));
    column->addWidget(menuRow(quitRow, false, false, closingFirst(model_.quit)));
}

void MenuBarView::addUpdateBanner(QVBoxLayout* column) {
    auto* banner = new QPushButton;
    banner->setObjectName(QStringLiteral("updateBanner"));
    banner->setFlat(true);
    banner->setCursor(Qt::PointingHandCursor);
    banner->setStyleSheet(
        QStringLiteral("QPushButton { background: palette(highlight); border: none;"
                       " border-radius: 8px; }"
                       "QLabel { color: white; background: transparent; }"));
    auto* inner = new QHBoxLayout(banner);
    inner->setContentsMargins(10, 10, 10, 10);
    auto* icon = new QLabel;
    icon->setPixmap(themedPixmap("software-update-available", QStyle::SP_ArrowDown, 18, Qt::white));
    inner->addWidget(icon);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(0);
    texts->addWidget(label(QStringLiteral("Update available"), 0.95));
    QString accessible = QStringLiteral("Update available");
    if (const auto& version = model_.availableVersion.get()) {
        auto* versionLine = label(QStringLiteral("v") + qs(*version), 0.85);
        versionLine->setStyleSheet(QStringLiteral("color: rgba(255, 255, 255, 0.8);"));
        texts->addWidget(versionLine);
        accessible += QStringLiteral(", v") + qs(*version);
    }
    inner->addLayout(texts);
    inner->addStretch();
    inner->addWidget(label(QStringLiteral("Update"), 0.95, QFont::Medium));
    banner->setAccessibleName(accessible);
    banner->setMinimumHeight(inner->sizeHint().height());
    connect(banner, &QPushButton::clicked, this, closingFirst(model_.checkForUpdates));
    column->addWidget(banner);
}

void MenuBarView::addShortcutReminder(QVBoxLayout* column) {
    auto* line = new QHBoxLayout;
    line->setContentsMargins(8, 0, 8, 0);
    auto* icon = new QLabel;
    icon->setPixmap(themedPixmap("input-keyboard", QStyle::SP_ComputerIcon, 14,
                                 icon->palette().color(QPalette::PlaceholderText)));
    line->addWidget(icon);
    // No keys to show: the pointer to Settings stands alone.
    if (shownHotkey_ == ShortcutSettingsModel::noShortcutText) {
        line->addWidget(label(qs(shownHotkey_), 0.9, QFont::Normal, true));
        line->addStretch();
        column->addLayout(line);
        return;
    }
    auto* prompt = label(QStringLiteral("Select text and press"), 0.9, QFont::Normal, true);
    prompt->setMinimumWidth(prompt->sizeHint().width());
    line->addWidget(prompt);
    const QString shortcut = qs(shownHotkey_);
    auto* keys = label(shortcut, 0.9, QFont::Medium);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(keys->font().pointSizeF());
    mono.setWeight(QFont::Medium);
    keys->setFont(mono);
    keys->setObjectName(QStringLiteral("shortcut"));
    keys->setStyleSheet(QStringLiteral("background: rgba(128, 128, 128, 0.18); border-radius: 4px;"
                                       " padding: 2px 6px;"));
    line->addWidget(keys);
    line->addStretch();
    column->addLayout(line);
}

void MenuBarView::addSignedOut(QVBoxLayout* column) {
    column->setContentsMargins(16, 16, 16, 8);
    auto* icon = new QLabel;
    icon->setPixmap(applicationIcon().pixmap(40, 40));
    icon->setFixedSize(40, 40);
    icon->setScaledContents(true);
    column->addWidget(icon, 0, Qt::AlignHCenter);
    auto* name = label(QStringLiteral("Scribeon"), 1.05, QFont::DemiBold);
    name->setAlignment(Qt::AlignHCenter);
    column->addWidget(name);
    auto* welcome = label(QStringLiteral("Sign in to get started"), 0.9, QFont::Normal, true);
    welcome->setAlignment(Qt::AlignHCenter);
    column->addWidget(welcome);
    auto* buttons = new QHBoxLayout;
    auto* signIn = new QPushButton(QStringLiteral("Sign In"));
    signIn->setDefault(true);
    signIn->setObjectName(QStringLiteral("signIn"));
    signIn->setStyleSheet(QStringLiteral("QPushButton { background: palette(highlight);"
                                         " color: palette(highlighted-text); border-radius: 5px;"
                                         " padding: 4px 12px; }"));
    auto* signUp = new QPushButton(QStringLiteral("Sign Up"));
    signUp->setObjectName(QStringLiteral("signUp"));
    buttons->addStretch();
    buttons->addWidget(signIn);
    buttons->addWidget(signUp);
    buttons->addStretch();
    column->addLayout(buttons);
    connect(signIn, &QPushButton::clicked, this, closingFirst(model_.signIn));
    connect(signUp, &QPushButton::clicked, this, closingFirst(model_.signUp));
    column->addWidget(divider());
    column->addWidget(menuRow(quitRow, false, false, closingFirst(model_.quit)));
}

QPoint MenuBarView::placement(const QRect& anchor, const QSize& size, const QRect& area,
                              const QPoint& pointer) {
    return anchor.isValid() ? placeNextTo(anchor, size, area) : nearestCorner(pointer, size, area);
}

void MenuBarView::popUp(const QRect& anchor) {
    if (stale_ || (model_.formattedHotkey && model_.formattedHotkey() != shownHotkey_))
        rebuild();
    QScreen* screen = anchor.isValid() ? QGuiApplication::screenAt(anchor.center())
                                       : QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    const QSize size = sizeHint().expandedTo(QSize(panelWidth, 0));
    move(placement(anchor, size, area, QCursor::pos()));
    show();
    raise();
    activateWindow();
}

bool MenuBarView::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        wasActive_ = true;
    } else if (event->type() == QEvent::WindowDeactivate && wasActive_ && isVisible()) {
        // Qt may give up on a late FocusIn while the window manager still
        // has us in front; only a real loss of activation closes the panel.
        if (!windowHandle() || !isActiveOnDesktop(*windowHandle())) {
            hiddenByDeactivation_.start();
            hide();
        }
    }
    return QWidget::event(event);
}

void MenuBarView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool MenuBarView::closedJustNow() const {
    constexpr qint64 clickWindowMs = 400;
    return hiddenByDeactivation_.isValid() && hiddenByDeactivation_.elapsed() < clickWindowMs;
}

void MenuBarView::showEvent(QShowEvent* event) {
    if (stale_)
        rebuild();
    QWidget::showEvent(event);
    if (onShown)
        onShown();
}

void MenuBarView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    wasActive_ = false;
    if (onHidden)
        onHidden();
}

void MenuBarView::fillMenu(QMenu& menu, MenuBarModel& model) {
    menu.clear();
    auto add = [&menu](const RowLook& row, const std::function<void()>& action) {
        QAction* item =
            menu.addAction(themedIcon(row.icon, row.fallback), QString::fromLatin1(row.title));
        QObject::connect(item, &QAction::triggered, &menu, [action] {
            if (action)
                action();
        });
        return item;
    };
    if (model.isAuthenticated.get()) {
        add(settingsRow, model.openSettings);
        QAction* updates = add(updatesRow, model.checkForUpdates);
        if (model.isUpdateAvailable.get())
            updates->setText(QStringLiteral("Check for Updates \u2022"));
        add(signOutRow, model.signOut);
    } else {
        add({"signin", "go-next", QStyle::SP_ArrowRight, "Sign In"}, model.signIn);
        add({"signup", "contact-new", QStyle::SP_FileDialogNewFolder, "Sign Up"}, model.signUp);
    }
    menu.addSeparator();
    add(quitRow, model.quit);
}

} // namespace scribeon
