#include "ui/widgets/PermissionAlertBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace scribeon {
namespace {

// Answers the modal box from inside its own event loop by clicking the
// button with `label`, after recording what the box says. The answers
// themselves, keyed as a person does, are e2e_permission_alert_under_xvfb's.
struct Answerer {
    explicit Answerer(QString buttonLabel) : label(std::move(buttonLabel)) {}
    QString label;
    QString informative;

    void arm() {
        QTimer::singleShot(0, [this] { answer(); });
    }
    void answer() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            arm();
            return;
        }
        informative = box->informativeText();
        for (QAbstractButton* button : box->buttons())
            if (button->text() == label)
                button->click();
    }
};

// The Wayland wording promises only what the bus gives there: the desktop
// binds the shortcut, and no keystroke fallback exists to unlock.
TEST(PermissionAlertBoxTest, OnWaylandNamesNoShortcutGrabNorKeystrokes) {
    PermissionAlertBox alert(true);
    Answerer enable(QStringLiteral("Enable Accessibility"));
    enable.arm();
    EXPECT_EQ(alert.run(), PermissionAnswer::enableAccessibility);
    for (const char* absent : {"hotkey", "X11", "Ctrl+C", "Ctrl+V", "keystroke"})
        EXPECT_FALSE(enable.informative.contains(QLatin1String(absent), Qt::CaseInsensitive))
            << absent;
    EXPECT_FALSE(enable.informative.isEmpty());
}

} // namespace
} // namespace scribeon
