#include "platform/KeyCodeTable.h"
#include "tests/integration/SettingsWindowStack.h"
#include "tests/integration/WidgetTexts.h"
#include "ui/widgets/CommandSettingsListModel.h"
#include "ui/widgets/CommandSettingsListView.h"
#include "ui/widgets/CommandSettingsRowDelegate.h"
#include "ui/widgets/CommandsSettingsPage.h"
#include "ui/widgets/EmojiPickerView.h"
#include "ui/widgets/ErrorToastView.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace scribeon {
namespace {

using test::named;
using test::visibleTexts;

std::string commandsBody(int count, const std::string& namePrefix = "Command ") {
    std::string body = R"({"data":[)";
    for (int i = 0; i < count; ++i) {
        body += (i ? "," : "") + std::string(R"({"code":"c)") + std::to_string(i) +
                R"(","name":")" + namePrefix + std::to_string(i) + R"(","is_active":)" +
                (i % 3 == 1 ? "false" : "true") + "}";
    }
    return body + "]}";
}

QStringList rowCodes(QAbstractItemModel* model) {
    QStringList codes;
    for (int row = 0; row < model->rowCount(); ++row)
        codes << model->index(row, 0).data(CommandSettingsListModel::CodeRole).toString();
    return codes;
}

class SettingsWidgetsTest : public testing::Test, protected test::SettingsWindowStack {
protected:
    SettingsView* opened(const std::string& body = commandsBody(4)) {
        return SettingsWindowStack::opened(200, body);
    }
    static CommandSettingsListView* commandList(SettingsView* view) {
        view->select(SettingsPage::commands);
        return view->commandsPage()->list();
    }
    using SettingsWindowStack::opened;
};

TEST_F(SettingsWidgetsTest, SecondShowFrontsTheSameWindowAndCloseForgetsIt) {
    SettingsView* first = opened();
    ASSERT_TRUE(first);
    EXPECT_EQ(transport.requests.size(), 1U) << "the first show loads the commands";
    first->select(SettingsPage::commands);
    EXPECT_EQ(opened(), first);
    EXPECT_EQ(first->selectedPage(), SettingsPage::commands);
    EXPECT_EQ(transport.requests.size(), 2U) << "brought forward, it reloads";

    closeWindow();
    EXPECT_FALSE(settings->window());
    SettingsView* second = opened();
    EXPECT_EQ(second->selectedPage(), SettingsPage::general);
    EXPECT_EQ(transport.requests.size(), 3U) << "a new window loads afresh";
    EXPECT_EQ(rowCodes(commandList(second)->model()), (QStringList{"c0", "c1", "c2", "c3"}));
}

// The start at login written and removed is e2e_settings_flow's; a refusal
// leaves the box as the entry is.
TEST_F(SettingsWidgetsTest, ARefusedStartAtLoginFlipsBack) {
    SettingsView* view = opened();
    auto* updates = named<QCheckBox>(view, "Automatically check for updates");
    ASSERT_TRUE(updates);
    EXPECT_TRUE(updates->isChecked()) << "no updater: starts on";
    updates->click(); // and there is nothing to tell
    named(view, "Check for Updates Now")->click();
    auto* login = named<QCheckBox>(view, "Start Scribeon at login");
    ASSERT_TRUE(login);
    autostart.refusal = "read-only";
    login->click();
    EXPECT_FALSE(login->isChecked());
}

// The warning names the shortcut just refused, else the stored one once the
// desktop lost it. (Recording by hand is e2e_settings_flow's.)
TEST_F(SettingsWidgetsTest, TheRecordersWarningNamesTheShortcutInTrouble) {
    SettingsView* view = opened();
    const auto warned = [&](const char* shortcut) {
        return visibleTexts(view).filter("is used by another application").filter(shortcut).size();
    };
    isRegistered.set(false);
    EXPECT_EQ(warned("Super+Shift+I"), 1);
    isRegistered.set(true);
    EXPECT_EQ(warned("Super+Shift+I"), 0);

    QPushButton* record = named(view, "Record");
    ASSERT_TRUE(record);
    record->click();
    hotkey.refused = HotkeyPair{40, 0x800 | 0x1000}; // Alt+Ctrl+K belongs to someone else
    const auto xKey =
        static_cast<int>(*KeyCodeTable::evdevFromVirtualKey(40) + KeyCodeTable::xKeycodeOffset);
    QKeyEvent ctrlAltK(QEvent::KeyPress, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier, xKey, 0,
                       0);
    QApplication::sendEvent(record, &ctrlAltK);
    EXPECT_EQ(warned("Alt+Ctrl+K"), 1);
    EXPECT_TRUE(visibleTexts(view).contains("Super+Shift+I")) << "the old shortcut stays";
}

TEST_F(SettingsWidgetsTest, CommandsPageShowsLoadingThenTheErrorThenTheList) {
    transport.holding = true;
    SettingsView* view = opened(500, "");
    view->select(SettingsPage::commands);
    const QString failure = QString::fromStdString(APIError::serverError(500).errorDescription());
    EXPECT_FALSE(visibleTexts(view).contains(failure));
    EXPECT_FALSE(visibleTexts(view).contains("Command 1"));
    transport.releaseNext();
    queue.runPending();
    EXPECT_TRUE(visibleTexts(view).contains(failure));
    transport.holding = false;
    transport.reply(200, commandsBody(2));
    named(view, "Retry")->click();
    queue.runPending();
    const QStringList texts = visibleTexts(view);
    EXPECT_FALSE(texts.contains(failure));
    EXPECT_TRUE(texts.contains("Command 1"));
    named(view, "Manage commands on scribeon.test")->click();
    EXPECT_EQ(urlOpener.urls, (std::vector<std::string>{"https://scribeon.test/commands"}));
}

// A row moves with Alt+Down as well as by mouse (dragged in e2e_settings_flow).
TEST_F(SettingsWidgetsTest, AltAndAnArrowMoveTheCurrentRow) {
    CommandSettingsListView* list = commandList(opened());
    list->setCurrentIndex(list->model()->index(0, 0));
    QTest::keyClick(list, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(rowCodes(list->model()), (QStringList{"c1", "c0", "c2", "c3"}));
    EXPECT_EQ(preferences.textList("commandOrder"),
              (std::vector<std::string>{"c1", "c0", "c2", "c3"}));
    EXPECT_EQ(list->currentIndex().row(), 1) << "the moved row stays current";
    EXPECT_EQ(transport.requests.size(), 1U) << "moves are local";
}

TEST_F(SettingsWidgetsTest, TheSwitchAsksOnceAndTheRowSpinsUntilTheAnswer) {
    SettingsView* view = opened();
    CommandSettingsListView* list = commandList(view);
    transport.holding = true;
    transport.reply(
        200, R"({"message":"ok","data":{"code":"c0","name":"Command 0","is_active":false}})");
    const QRect row = list->visualRect(list->model()->index(0, 0));
    const QPoint onSwitch = CommandSettingsRowDelegate::switchRect(row).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, onSwitch);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, onSwitch);
    EXPECT_EQ(transport.requests.size(), 2U) << "one toggle while one is in flight";
    const QModelIndex first = list->model()->index(0, 0);
    EXPECT_TRUE(first.data(CommandSettingsListModel::TogglingRole).toBool());
    EXPECT_EQ(first.data(Qt::CheckStateRole).toInt(), Qt::Checked) << "unchanged until answered";
    QImage painted(list->size(), QImage::Format_ARGB32);
    list->render(&painted); // the spinner's frame paints without the switch
    transport.releaseNext();
    queue.runPending();
    EXPECT_FALSE(first.data(CommandSettingsListModel::TogglingRole).toBool());
    EXPECT_EQ(first.data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
}

TEST_F(SettingsWidgetsTest, ToastShowsTwoLinesAtMostAndAClickDismissesIt) {
    SettingsView* view = opened();
    view->viewModel().toastMessage.set(std::string(600, 'x') + " end");
    ErrorToastView* toast = view->toast();
    EXPECT_TRUE(toast->isVisible());
    EXPECT_LE(toast->shownText().count('\n'), 1);
    EXPECT_TRUE(toast->shownText().endsWith(QChar(0x2026))) << "cut with an ellipsis";
    QTest::mouseClick(toast, Qt::LeftButton, {}, toast->rect().center());
    EXPECT_FALSE(view->viewModel().toastMessage.get());
}

// The picker by keyboard; a choice with the mouse is e2e_settings_flow's.
TEST_F(SettingsWidgetsTest, PickerMarksTheCurrentEmojiAndMovesByRows) {
    SettingsView* view = opened();
    CommandSettingsListView* list = commandList(view);
    const QRect row = list->visualRect(list->model()->index(2, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      CommandSettingsRowDelegate::emojiButtonRect(row).center());
    auto* picker = view->findChild<EmojiPickerView*>();
    ASSERT_TRUE(picker);
    EXPECT_TRUE(picker->cells()[0]->styleSheet().contains("0.20")) << "the memo is current";
    QTest::keyClick(picker->cells()[0], Qt::Key_Down);
    EXPECT_EQ(picker->focusWidget(), picker->cells()[8]) << "one row is eight cells";
    QTest::keyClick(picker->cells()[8], Qt::Key_Escape);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(view->findChild<EmojiPickerView*>());
}

TEST_F(SettingsWidgetsTest, AThousandLongRightToLeftNamesRenderAndScroll) {
    const std::string longName = std::string(5000, 'w');
    const std::string hebrew = "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D ";
    SettingsView* view = opened(commandsBody(1000, hebrew + longName + " \xF0\x9F\x9A\x80 "));
    CommandSettingsListView* list = commandList(view);
    EXPECT_EQ(list->model()->rowCount(), 1000);
    list->scrollToBottom();
    QImage painted(list->size(), QImage::Format_ARGB32);
    list->render(&painted);
    EXPECT_EQ(list->indexAt(QPoint(100, list->viewport()->height() - 5)).row(), 999);
}

} // namespace
} // namespace scribeon
