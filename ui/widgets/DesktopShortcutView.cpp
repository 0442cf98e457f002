#include "ui/widgets/DesktopShortcutView.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace scribeon {

namespace {

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QLabel* wrappedLabel(const QString& name) {
    auto* label = new QLabel;
    label->setWordWrap(true);
    label->setAccessibleName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

DesktopShortcutView::DesktopShortcutView(ShortcutSettingsModel& model, QWidget* parent)
    : QWidget(parent), model_(model), note_(wrappedLabel(tr("Shortcut Note"))),
      status_(wrappedLabel(tr("Desktop Shortcut"))), line_(new QLineEdit),
      copy_(new QPushButton(tr("Copy"))), action_(new QPushButton),
      problem_(wrappedLabel(tr("Shortcut Problem"))) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(note_);
    column->addWidget(status_);
    line_->setReadOnly(true);
    line_->setAccessibleName(tr("sway Configuration Line"));
    copy_->setAccessibleName(tr("Copy the sway Configuration Line"));
    auto* lineRow = new QHBoxLayout;
    lineRow->addWidget(line_, 1);
    lineRow->addWidget(copy_);
    column->addLayout(lineRow);
    auto* actionRow = new QHBoxLayout;
    actionRow->addWidget(action_);
    actionRow->addStretch();
    column->addLayout(actionRow);
    problem_->setStyleSheet(QStringLiteral("QLabel { color: #d70015; }"));
    column->addWidget(problem_);

    // The settings window has the keyboard focus when Copy is pressed, which
    // is when a Wayland compositor lets a client set the clipboard.
    connect(copy_, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(line_->text()); });
    connect(action_, &QPushButton::clicked, this, [this] {
        if (model_.section() == ShortcutSettingsModel::Section::portal)
            model_.openDesktopSettings();
        else
            model_.toggleKeybinding();
    });
    subscriptions_.push_back(model_.keybindingInstalled.observe([this](bool) { refresh(); }));
    if (Property<PortalBinding>* binding = model_.portalBinding())
        subscriptions_.push_back(binding->observe([this](const PortalBinding&) { refresh(); }));
    subscriptions_.push_back(
        model_.problem.observe([this](const std::optional<std::string>&) { refresh(); }));
    refresh();
}

void DesktopShortcutView::storedShortcutChanged() {
    model_.storedShortcutChanged();
    refresh();
}

void DesktopShortcutView::refresh() {
    using Section = ShortcutSettingsModel::Section;
    const Section section = model_.section();
    const QString note = QString::fromStdString(model_.note());
    note_->setText(note);
    note_->setVisible(!note.isEmpty());

    status_->setVisible(section == Section::portal);
    status_->setText(QString::fromStdString(model_.portalStatus()));

    const std::optional<std::string> line = model_.swayLine();
    const bool showLine = section == Section::swayLine && line.has_value();
    line_->setText(showLine ? QString::fromStdString(*line) : QString());
    line_->setVisible(showLine);
    copy_->setVisible(showLine);

    action_->setVisible(section == Section::portal || section == Section::gnomeKeybinding);
    action_->setText(section == Section::portal
                         ? qs(ShortcutSettingsModel::openDesktopSettingsTitle)
                         : qs(model_.keybindingButtonTitle()));
    action_->setAccessibleName(action_->text());

    QString problem;
    if (const auto& text = model_.problem.get())
        problem = QString::fromStdString(*text);
    else if (section == Section::swayLine && !line)
        problem = tr("sway cannot name this key. Record another shortcut.");
    problem_->setText(problem);
    problem_->setVisible(!problem.isEmpty());
    setVisible(section != Section::recorder);
}

} // namespace scribeon
