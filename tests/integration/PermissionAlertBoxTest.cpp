#include "ui/widgets/PermissionAlertBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

namespace scribeon {
namespace {

// The Wayland wording promises only what the bus gives there: the desktop
// binds the shortcut, and no keystroke fallback exists to unlock. (The
// answers, keyed as a person does, are e2e_permission_alert_under_xvfb's.)
TEST(PermissionAlertBoxTest, OnWaylandNamesNoShortcutGrabNorKeystrokes) {
    PermissionAlertBox alert(true);
    QString informative;
    // Answers the modal box from inside its own event loop.
    std::function<void()> answer = [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return QTimer::singleShot(0, answer);
        informative = box->informativeText();
        for (QAbstractButton* button : box->buttons())
            if (button->text() == QStringLiteral("Enable Accessibility"))
                button->click();
    };
    QTimer::singleShot(0, answer);
    EXPECT_EQ(alert.run(), PermissionAnswer::enableAccessibility);
    for (const char* absent : {"hotkey", "X11", "Ctrl+C", "Ctrl+V", "keystroke"})
        EXPECT_FALSE(informative.contains(QLatin1String(absent), Qt::CaseInsensitive)) << absent;
    EXPECT_FALSE(informative.isEmpty());
}

} // namespace
} // namespace scribeon
