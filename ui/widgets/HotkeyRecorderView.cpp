#include "ui/widgets/HotkeyRecorderView.h"

#include "hotkey/KeyText.h"
#include "platform/qt/QtKeyEvents.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace scribeon {

namespace {

bool isModifierKey(int key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
        return true;
    default:
        return false;
    }
}

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

HotkeyRecorderView::HotkeyRecorderView(HotkeyRecorderViewModel& model, Property<bool>& isRegistered,
                                       bool shortcutsAvailable, QWidget* parent)
    : QWidget(parent), model_(model), isRegistered_(isRegistered),
      shortcutsAvailable_(shortcutsAvailable), display_(new QLabel), record_(new QPushButton),
      reset_(new QPushButton(tr("Reset"))), problem_(new QLabel) {
    constexpr int spacing = 8;
    constexpr int displayMinimumWidth = 120;
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(spacing);
    auto* heading = new QLabel(tr("Global Hotkey"));
    QFont headline = heading->font();
    headline.setBold(true);
    heading->setFont(headline);
    column->addWidget(heading);

    auto* row = new QHBoxLayout;
    row->setSpacing(spacing);
    display_->setMinimumWidth(displayMinimumWidth);
    display_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(display_);
    row->addWidget(record_);
    row->addWidget(reset_);
    row->addStretch();
    column->addLayout(row);

    auto* caption = new QLabel(tr("Press the keys you want to use as your global shortcut"));
    QFont small = caption->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    caption->setFont(small);
    column->addWidget(caption);
    problem_->setWordWrap(true);
    problem_->setStyleSheet(QStringLiteral("color: #b25000;"));
    column->addWidget(problem_);

    connect(record_, &QPushButton::clicked, this, [this] { model_.toggleRecording(); });
    connect(reset_, &QPushButton::clicked, this, [this] { model_.reset(); });
    subscriptions_.push_back(model_.isRecording.observe([this](bool recording) {
        setMonitoring(recording);
        refresh();
    }));
    subscriptions_.push_back(model_.displayText.observe([this](const auto&) { refresh(); }));
    subscriptions_.push_back(isRegistered_.observe([this](bool) { refresh(); }));
    subscriptions_.push_back(model_.refused.observe([this](const auto&) { refresh(); }));
    refresh();
}

HotkeyRecorderView::~HotkeyRecorderView() {
    setMonitoring(false);
}

void HotkeyRecorderView::refresh() {
    const bool recording = model_.isRecording.get();
    display_->setText(QString::fromStdString(model_.displayText.get()));
    display_->setAccessibleName(tr("Global Hotkey: %1").arg(display_->text()));
    display_->setStyleSheet(
        recording ? QStringLiteral("QLabel { font-family: monospace; padding: 8px 12px; "
                                   "border-radius: 6px; background: rgba(0, 122, 255, 0.10); "
                                   "border: 2px solid rgb(0, 122, 255); }")
                  : QStringLiteral("QLabel { font-family: monospace; padding: 8px 12px; "
                                   "border-radius: 6px; background: rgba(128, 128, 128, 0.10); "
                                   "border: 2px solid transparent; }"));
    record_->setText(QString::fromStdString(model_.recordButtonTitle()));
    reset_->setVisible(model_.isResetShown());
    QString problem;
    if (!shortcutsAvailable_)
        problem = qs(KeyText::noGlobalShortcutInSettings);
    else if (const auto refused = model_.refused.get())
        problem = QString::fromStdString(KeyText::shortcutTakenInSettingsMessage(*refused));
    else if (!isRegistered_.get() && !recording)
        problem = QString::fromStdString(KeyText::shortcutTakenInSettingsMessage(model_.current()));
    problem_->setText(problem);
    problem_->setAccessibleName(problem);
    problem_->setVisible(!problem.isEmpty());
}

void HotkeyRecorderView::setMonitoring(bool on) {
    if (on == monitoring_)
        return;
    monitoring_ = on;
    if (on)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool HotkeyRecorderView::eventFilter(QObject* watched, QEvent* event) {
    // Shortcut overrides come first: swallowing them keeps the window's own
    // shortcuts (and the button's mnemonic) from firing while recording.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (isModifierKey(key->key()))
        return true; // still choosing the modifiers
    const auto code = virtualKeyCodeFromScanCode(key->nativeScanCode());
    if (!code)
        return true; // a key with no place in the table cannot be stored
    return model_.keyDown(*code, carbonModifiers(key->modifiers()));
}

void HotkeyRecorderView::hideEvent(QHideEvent* event) {
    model_.stopRecording();
    QWidget::hideEvent(event);
}

} // namespace scribeon
