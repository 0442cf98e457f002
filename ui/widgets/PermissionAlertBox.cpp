#include "ui/widgets/PermissionAlertBox.h"

#include "hotkey/KeyText.h"

#include <QMessageBox>
#include <QPushButton>

namespace scribeon {

namespace {

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

PermissionAnswer PermissionAlertBox::run() {
    QMessageBox box;
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(qs(KeyText::accessibilityAlertTitle));
    box.setText(qs(KeyText::accessibilityAlertTitle));
    box.setInformativeText(qs(wayland_ ? KeyText::waylandAccessibilityAlertText()
                                       : KeyText::accessibilityAlertText()));
    QPushButton* enable =
        box.addButton(qs(KeyText::enableAccessibilityButton), QMessageBox::AcceptRole);
    QPushButton* later = box.addButton(qs(KeyText::laterButton), QMessageBox::RejectRole);
    box.setDefaultButton(enable);
    box.setEscapeButton(later);
    box.exec();
    return box.clickedButton() == enable ? PermissionAnswer::enableAccessibility
                                         : PermissionAnswer::later;
}

} // namespace scribeon
