// The General page's shortcut part on Wayland sessions, over fakes.
#include "hotkey/HotkeyRecorderViewModel.h"
#include "hotkey/PortalShortcuts.h"
#include "tests/fakes/FakeAutostartEntry.h"
#include "tests/fakes/FakeDesktopKeybinding.h"
#include "tests/fakes/FakeGlobalShortcutsPortal.h"
#include "tests/fakes/FakeMainQueue.h"
#include "tests/fakes/InMemoryPreferences.h"
#include "tests/fakes/RecordingLog.h"
#include "tests/integration/SettingsWindowStack.h"
#include "tests/integration/WidgetTexts.h"
#include "ui/widgets/GeneralSettingsPage.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace scribeon {
namespace {

class DesktopShortcutWidgetsTest : public testing::Test {
protected:
    std::unique_ptr<GeneralSettingsPage> page(const char* desktop, bool withPortal) {
        model = std::make_unique<ShortcutSettingsModel>(ShortcutSettingsModel::Sources{
            DesktopSession::from("wayland", "wayland-0", desktop), preferences,
            withPortal ? &shortcuts : nullptr, &keybinding});
        auto built = std::make_unique<GeneralSettingsPage>(
            GeneralSettingsPage::Shortcut{recorder, isRegistered, false, model.get()}, general);
        built->show();
        return built;
    }
    static void expectEveryVisibleControlNamed(QWidget* root) {
        for (QWidget* control : root->findChildren<QWidget*>()) {
            const bool isControl =
                qobject_cast<QPushButton*>(control) || qobject_cast<QLineEdit*>(control);
            if (!isControl || !control->isVisible())
                continue;
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
            ASSERT_TRUE(accessible);
            EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty())
                << control->metaObject()->className();
        }
    }

    InMemoryPreferences preferences;
    FakeMainQueue queue;
    RecordingLog log;
    FakeGlobalShortcutsPortal portal;
    PortalShortcuts shortcuts{portal, queue, log};
    FakeDesktopKeybinding keybinding;
    test::ScriptedHotkey registration{preferences};
    HotkeyRecorderViewModel recorder{preferences, registration};
    Property<bool> isRegistered{false};
    FakeAutostartEntry autostart;
    GeneralSettingsViewModel general{nullptr, autostart, [](const std::string&) {}};
    std::unique_ptr<ShortcutSettingsModel> model;
};

TEST_F(DesktopShortcutWidgetsTest, WithThePortalTheDesktopsKeysShowInsteadOfTheRecorder) {
    shortcuts.registerHotkey({});
    auto shown = page("KDE", true); // built while the desktop has not answered yet
    EXPECT_FALSE(test::named(shown.get(), "Record"));
    QLabel* status = test::named<QLabel>(shown.get(), "Desktop Shortcut");
    ASSERT_TRUE(status);
    EXPECT_FALSE(status->text().contains("Meta+Shift+I"));
    portal.answer(0, {{"trigger", "", "", "Meta+Shift+I"}});
    EXPECT_TRUE(status->text().contains("Meta+Shift+I")) << status->text().toStdString();

    QPushButton* open = test::named(shown.get(), "Open the Desktop's Shortcut Settings");
    ASSERT_TRUE(open);
    open->click();
    EXPECT_EQ(portal.requests.back().method, "BindShortcuts");
    expectEveryVisibleControlNamed(shown.get());
}

TEST_F(DesktopShortcutWidgetsTest, GnomesButtonWritesOnlyWhenPressedAndThenOffersRemoval) {
    auto shown = page("GNOME", false);
    EXPECT_TRUE(test::named(shown.get(), "Record"));
    QPushButton* add = test::named(shown.get(), "Add the shortcut to GNOME's keyboard settings");
    ASSERT_TRUE(add);
    add->click();
    EXPECT_TRUE(keybinding.installed);
    EXPECT_EQ(add->text(), "Remove the shortcut from GNOME's keyboard settings");
    expectEveryVisibleControlNamed(shown.get());
    add->click();
    EXPECT_FALSE(keybinding.installed);
}

TEST_F(DesktopShortcutWidgetsTest, SwaysLineIsShownAndCopied) {
    auto shown = page("sway", false);
    auto* line = shown->findChild<QLineEdit*>();
    ASSERT_TRUE(line);
    EXPECT_TRUE(line->text().startsWith("bindsym ")) << line->text().toStdString();
    QPushButton* copy = test::named(shown.get(), "Copy the sway Configuration Line");
    ASSERT_TRUE(copy);
    copy->click();
    EXPECT_EQ(QApplication::clipboard()->text(), line->text());
    expectEveryVisibleControlNamed(shown.get());
}

} // namespace
} // namespace scribeon
