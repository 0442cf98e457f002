#include "ui/widgets/PermissionAlertBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace scribeon {
namespace {

// Answers the modal box from inside its own event loop by clicking the
// button with `label`, after recording what the box shows.
struct Answerer {
    explicit Answerer(QString buttonLabel) : label(std::move(buttonLabel)) {}
    QString label;
    QString informative;
    QStringList buttons;
    QString defaultButton;

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
        defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
        for (QAbstractButton* button : box->buttons())
            buttons << button->text();
        for (QAbstractButton* button : box->buttons())
            if (button->text() == label)
                button->click();
    }
};

TEST(PermissionAlertBoxTest, ShowsTheLinuxWordingAndReturnsTheAnswer) {
    PermissionAlertBox alert;
    Answerer later(QStringLiteral("Later"));
    later.arm();
    EXPECT_EQ(alert.run(), PermissionAnswer::later);
    EXPECT_TRUE(later.informative.contains(QStringLiteral("global hotkey (Super+Shift+I)")));
    EXPECT_EQ(later.defaultButton, QStringLiteral("Enable Accessibility"));
    EXPECT_EQ(later.buttons.size(), 2);

    Answerer enable(QStringLiteral("Enable Accessibility"));
    enable.arm();
    EXPECT_EQ(alert.run(), PermissionAnswer::enableAccessibility);
}

// The Wayland wording promises only what the bus gives there: the desktop
// binds the shortcut, and no keystroke fallback exists to unlock.
TEST(PermissionAlertBoxTest, OnWaylandNamesNoShortcutGrabNorKeystrokes) {
    PermissionAlertBox alert(true);
    Answerer enable(QStringLiteral("Enable Accessibility"));
    enable.arm();
    EXPECT_EQ(alert.run(), PermissionAnswer::enableAccessibility);
    EXPECT_TRUE(
        enable.informative.startsWith(QString::fromUtf8("Scribeon needs Accessibility access to:\n"
                                                        "• Capture selected text from any app\n"
                                                        "• Replace text after processing\n\n")));
    for (const char* absent : {"hotkey", "X11", "Ctrl+C", "Ctrl+V", "keystroke"})
        EXPECT_FALSE(enable.informative.contains(QLatin1String(absent), Qt::CaseInsensitive))
            << absent;
    EXPECT_TRUE(enable.informative.contains(QStringLiteral("Enable Accessibility")));
}

} // namespace
} // namespace scribeon
