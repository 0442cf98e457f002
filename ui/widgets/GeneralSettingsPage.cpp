#include "ui/widgets/GeneralSettingsPage.h"

#include "ui/widgets/DesktopShortcutView.h"
#include "ui/widgets/HotkeyRecorderView.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace scribeon {

namespace {

QLabel* headline(const QString& text) {
    auto* label = new QLabel(text);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

// A check box that shows the model's value and only asks on a click: the
// model decides, and a refused change flips it back.
QCheckBox* boundSwitch(const QString& text, Property<bool>& value,
                       const std::function<void(bool)>& request, std::vector<Subscription>& keep) {
    auto* box = new QCheckBox(text);
    box->setChecked(value.get());
    QObject::connect(box, &QCheckBox::toggled, box, [box, &value, request](bool on) {
        request(on);
        const QSignalBlocker quiet(box);
        box->setChecked(value.get());
    });
    keep.push_back(value.observe([box](bool on) {
        const QSignalBlocker quiet(box);
        box->setChecked(on);
    }));
    return box;
}

} // namespace

GeneralSettingsPage::GeneralSettingsPage(Shortcut shortcut, GeneralSettingsViewModel& model,
                                         QWidget* parent)
    : QWidget(parent), model_(model) {
    constexpr int groupSpacing = 20;
    constexpr int padding = 20;
    auto* column = new QVBoxLayout(this);
    column->setSpacing(groupSpacing);
    column->setContentsMargins(padding, padding, padding, padding);
    addShortcut(column, shortcut);
    column->addWidget(updatesGroup());
    column->addWidget(startAtLoginSwitch());
    column->addStretch();
    auto* version = new QLabel(QStringLiteral("Version ") +
                               QString::fromStdString(GeneralSettingsViewModel::appVersion(
                                   SCRIBEON_VERSION, SCRIBEON_BUILD)));
    QFont caption = version->font();
    caption.setPointSizeF(caption.pointSizeF() * 0.85);
    version->setFont(caption);
    version->setForegroundRole(QPalette::PlaceholderText);
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(version);
}

// Where the desktop's portal holds the shortcut, the recorder could test
// nothing, so the desktop's own keys show instead; elsewhere on Wayland the
// recorder keeps the preference and the desktop part says how to bind it.
void GeneralSettingsPage::addShortcut(QLayout* column, const Shortcut& shortcut) {
    ShortcutSettingsModel* desktop = shortcut.desktop;
    const bool portal = desktop && desktop->section() == ShortcutSettingsModel::Section::portal;
    if (!portal)
        column->addWidget(
            new HotkeyRecorderView(shortcut.recorder, shortcut.isRegistered, shortcut.available));
    if (!desktop)
        return;
    auto* view = new DesktopShortcutView(*desktop);
    column->addWidget(view);
    subscriptions_.push_back(shortcut.recorder.displayText.observe(
        [view](const std::string&) { view->storedShortcutChanged(); }));
}

QWidget* GeneralSettingsPage::updatesGroup() {
    constexpr int spacing = 8;
    auto* group = new QWidget;
    auto* column = new QVBoxLayout(group);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(spacing);
    column->addWidget(headline(tr("Updates")));
    column->addWidget(boundSwitch(
        tr("Automatically check for updates"), model_.autoCheckUpdates,
        [this](bool on) { model_.setAutoCheckUpdates(on); }, subscriptions_));
    auto* check = new QPushButton(tr("Check for Updates Now"));
    connect(check, &QPushButton::clicked, this, [this] { model_.checkForUpdatesNow(); });
    auto* row = new QHBoxLayout;
    row->addWidget(check);
    row->addStretch();
    column->addLayout(row);
    return group;
}

QCheckBox* GeneralSettingsPage::startAtLoginSwitch() {
    return boundSwitch(
        tr("Start Scribeon at login"), model_.startsAtLogin,
        [this](bool on) { model_.setStartsAtLogin(on); }, subscriptions_);
}

} // namespace scribeon
