#include "ui/widgets/UpdateDialog.h"

#include "platform/qt/PlainText.h"
#include "ui/ReleaseNotesLink.h"
#include "ui/widgets/MenuBarIcon.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace scribeon {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

UpdateDialog::UpdateDialog(UrlOpener& opener, DiagnosticLog& log) : opener_(opener), log_(log) {}

UpdateDialog::~UpdateDialog() {
    delete dialog_;
}

void UpdateDialog::build() {
    dialog_ = new QDialog;
    // Versions, notes, file names and messages come from the feed.
    title_ = plainLabel();
    message_ = plainLabel();
    notes_ = new QTextBrowser;
    notes_->setDocument(new InertTextDocument(notes_));
    notesLink_ = new QLabel;
    progress_ = new QProgressBar;
    buttons_ = new QDialogButtonBox;
    dialog_->setWindowTitle(QStringLiteral("Scribeon \u2014 Software Update"));
    dialog_->setWindowIcon(applicationIcon());
    dialog_->setWindowFlag(Qt::WindowStaysOnTopHint);
    dialog_->setMinimumWidth(420);
    auto* row = new QHBoxLayout(dialog_);
    // Each state has its own text: the dialog takes the size its content asks for.
    row->setSizeConstraint(QLayout::SetFixedSize);
    auto* icon = new QLabel;
    icon->setPixmap(applicationIcon().pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);
    row->addWidget(icon, 0, Qt::AlignTop);
    auto* column = new QVBoxLayout;
    QFont bold = title_->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.1);
    title_->setFont(bold);
    message_->setWordWrap(true);
    message_->setMinimumWidth(340);
    message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    notes_->setOpenLinks(false);
    notes_->setAccessibleName(QStringLiteral("Release notes"));
    notes_->setMinimumHeight(120);
    notesLink_->setTextFormat(Qt::RichText);
    QObject::connect(notesLink_, &QLabel::linkActivated, dialog_, [this] {
        if (notesURL_)
            openReleaseNotes(*notesURL_, opener_, log_);
    });
    progress_->setRange(0, 0);
    progress_->setTextVisible(false);
    progress_->setAccessibleName(QStringLiteral("Progress"));
    for (QWidget* part :
         std::initializer_list<QWidget*>{title_, message_, notes_, notesLink_, progress_, buttons_})
        column->addWidget(part);
    row->addLayout(column, 1);
}

void UpdateDialog::present(const QString& title, const QString& message, bool busy) {
    if (!dialog_)
        build();
    title_->setText(title);
    title_->setAccessibleName(title);
    message_->setText(message);
    message_->setAccessibleName(message);
    progress_->setVisible(busy);
    progress_->setRange(0, 0); // busy until a share is known
    progress_->setTextVisible(false);
    notes_->hide();
    notesLink_->hide();
    buttons_->clear();
    dialog_->show();
    dialog_->raise();
    dialog_->activateWindow();
}

void UpdateDialog::addButton(const QString& text, std::function<void()> action, bool isDefault) {
    QPushButton* button = buttons_->addButton(text, QDialogButtonBox::ActionRole);
    button->setDefault(isDefault);
    QObject::connect(button, &QPushButton::clicked, dialog_,
                     [action = std::move(action)] { action(); });
}

void UpdateDialog::showChecking() {
    present(QStringLiteral("Checking for updates\u2026"), QString(), true);
    addCloseButton(QStringLiteral("Cancel"));
}

void UpdateDialog::addCloseButton(const QString& text, bool isDefault) {
    addButton(
        text, [this] { dialog_->hide(); }, isDefault);
}

void UpdateDialog::showOutcome(const QString& title, const QString& message) {
    present(title, message, false);
    addCloseButton(QStringLiteral("OK"), true);
}

void UpdateDialog::showUpToDate(const std::string& currentVersion) {
    showOutcome(QStringLiteral("You're up to date"),
                QStringLiteral("Scribeon %1 is currently the newest version available.")
                    .arg(qs(currentVersion)));
}

void UpdateDialog::showFound(const AppcastItem& item, const std::string& currentVersion,
                             std::function<void()> download) {
    present(QStringLiteral("A new version of Scribeon is available"),
            QStringLiteral("Scribeon %1 is available \u2014 you have %2.")
                .arg(qs(item.displayVersion), qs(currentVersion)),
            false);
    if (item.description && !item.description->empty()) {
        notes_->setHtml(qs(*item.description));
        notes_->show();
    }
    notesURL_ = item.releaseNotesURL;
    if (item.releaseNotesURL) {
        // The link only carries the click: the address opened is the feed's
        // own, checked when it is clicked.
        notesLink_->setText(QStringLiteral("<a href=\"#\">Release notes</a>"));
        notesLink_->setAccessibleName(QStringLiteral("Release notes"));
        notesLink_->show();
    }
    addCloseButton(QStringLiteral("Later"));
    addButton(QStringLiteral("Download"), std::move(download), true);
}

void UpdateDialog::showDownloading() {
    present(QStringLiteral("Downloading the update\u2026"),
            QStringLiteral("The file is checked against Scribeon's signature before it opens."),
            true);
    addCloseButton(QStringLiteral("Hide"));
}

void UpdateDialog::showProgress(double fraction) {
    if (!dialog_)
        return;
    constexpr int steps = 1000;
    progress_->setRange(0, steps);
    progress_->setValue(static_cast<int>(fraction * steps));
    progress_->setTextVisible(true);
}

void UpdateDialog::showDownloaded(const std::string& filePath) {
    showOutcome(QStringLiteral("Update downloaded"),
                QStringLiteral("The signature checks out. %1 opens with your package installer.")
                    .arg(qs(filePath)));
}

void UpdateDialog::showFailure(const std::string& message) {
    showOutcome(QStringLiteral("Update failed"), qs(message));
}

} // namespace scribeon
