#include "hotkey/AppConfig.h"
#include "platform/KeyCodeTable.h"
#include "tests/fakes/FakeAutostartEntry.h"
#include "tests/fakes/RecordingUrlOpener.h"
#include "tests/fakes/ServiceStack.h"
#include "tests/integration/WidgetTexts.h"
#include "ui/widgets/CommandSettingsListModel.h"
#include "ui/widgets/CommandSettingsListView.h"
#include "ui/widgets/CommandSettingsRowDelegate.h"
#include "ui/widgets/CommandsSettingsPage.h"
#include "ui/widgets/EmojiPickerView.h"
#include "ui/widgets/ErrorToastView.h"
#include "ui/widgets/SettingsWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace scribeon {
namespace {

using test::visibleTexts;

struct CountingHotkey : HotkeyRegistration {
    explicit CountingHotkey(Preferences& stored) : preferences(stored) {}
    int reregistrations = 0;
    void registerHotkey(std::function<void()>) override {}
    std::vector<HotkeyPair> refused;
    Preferences& preferences;
    bool reregister() override {
        ++reregistrations;
        const HotkeyPair stored = AppConfig::Hotkey::read(preferences);
        return std::find(refused.begin(), refused.end(), stored) == refused.end();
    }
    void release() override {}
};

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

class SettingsWidgetsTest : public testing::Test, protected ServiceStack {
protected:
    ~SettingsWidgetsTest() override {
        settings.reset();
        QApplication::processEvents();
    }
    SettingsView* opened(const std::string& body = commandsBody(4)) {
        transport.reply(200, body);
        settings->show();
        queue.runPending();
        return settings->window();
    }
    CommandSettingsListView* commandList(SettingsView* view) {
        view->select(SettingsPage::commands);
        return view->commandsPage()->list();
    }
    QPoint rowPoint(CommandSettingsListView* list, int row) {
        const QRect area = list->visualRect(list->model()->index(row, 0));
        return {area.center().x(), area.center().y()};
    }

    CountingHotkey hotkey{preferences};
    Property<bool> isRegistered{true};
    FakeAutostartEntry autostart;
    RecordingUrlOpener urlOpener;
    std::unique_ptr<SettingsWindow> settings = std::make_unique<SettingsWindow>(
        SettingsCollaborators{service, queue, preferences, hotkey, isRegistered, true, nullptr,
                              autostart, urlOpener, "https://scribeon.test"});
};

TEST_F(SettingsWidgetsTest, SecondShowFrontsTheSameWindowAndCloseForgetsIt) {
    SettingsView* first = opened();
    ASSERT_TRUE(first);
    EXPECT_EQ(transport.requests.size(), 1U) << "the first show loads the commands";
    first->select(SettingsPage::commands);
    transport.reply(200, commandsBody(4));
    settings->show();
    queue.runPending();
    EXPECT_EQ(settings->window(), first);
    EXPECT_EQ(first->selectedPage(), SettingsPage::commands);
    EXPECT_EQ(transport.requests.size(), 2U) << "brought forward, it reloads";

    first->close();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(settings->window());
    SettingsView* second = opened();
    EXPECT_EQ(second->selectedPage(), SettingsPage::general);
    EXPECT_EQ(transport.requests.size(), 3U) << "a new window loads afresh";
    EXPECT_EQ(rowCodes(commandList(second)->model()), (QStringList{"c0", "c1", "c2", "c3"}));
}

TEST_F(SettingsWidgetsTest, GeneralPageShowsTheShortcutUpdatesStartAtLoginAndVersion) {
    SettingsView* view = opened();
    const QStringList texts = visibleTexts(view);
    EXPECT_TRUE(texts.contains("Super+Shift+I")) << texts.join('|').toStdString();
    EXPECT_FALSE(texts.contains("Reset")) << "the default shortcut has no Reset";
    EXPECT_TRUE(texts.contains("Version " SCRIBEON_VERSION " (" SCRIBEON_BUILD ")"));
    QCheckBox* login = nullptr;
    for (QCheckBox* box : view->findChildren<QCheckBox*>()) {
        if (box->text() == "Automatically check for updates") {
            EXPECT_TRUE(box->isChecked()) << "no updater: starts on";
            box->click(); // and there is nothing to tell
            EXPECT_FALSE(box->isChecked());
        }
        if (box->text() == "Start Scribeon at login")
            login = box;
    }
    ASSERT_TRUE(login);
    for (QPushButton* button : view->findChildren<QPushButton*>())
        if (button->text() == "Check for Updates Now")
            button->click();
    login->click();
    EXPECT_TRUE(autostart.installed);
    autostart.refusal = "read-only";
    login->click();
    EXPECT_TRUE(login->isChecked()) << "a refused change flips back";
    EXPECT_EQ(view->viewModel().toastMessage.get(),
              "Could not change the start at login: read-only");
}

TEST_F(SettingsWidgetsTest, RecorderSavesAModifiedKeyAndSaysWhenTheShortcutIsTaken) {
    SettingsView* view = opened();
    QPushButton* record = nullptr;
    for (QPushButton* button : view->findChildren<QPushButton*>())
        if (button->text() == "Record")
            record = button;
    ASSERT_TRUE(record);
    record->click();
    EXPECT_EQ(record->text(), "Press keys...");
    const auto xKey = [](std::uint32_t virtualKey) {
        return *KeyCodeTable::evdevFromVirtualKey(virtualKey) + KeyCodeTable::xKeycodeOffset;
    };
    QKeyEvent plainK(QEvent::KeyPress, Qt::Key_K, Qt::NoModifier, xKey(40), 0, 0, "k");
    QApplication::sendEvent(record, &plainK);
    EXPECT_EQ(record->text(), "Press keys...") << "a key without a modifier is swallowed";
    QKeyEvent ctrlAltK(QEvent::KeyPress, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier, xKey(40),
                       0, 0);
    QApplication::sendEvent(record, &ctrlAltK);
    EXPECT_EQ(record->text(), "Record");
    EXPECT_EQ(preferences.integer("hotkeyKeyCode"), 40);
    EXPECT_EQ(preferences.integer("hotkeyModifiers"), 0x800 | 0x1000);
    EXPECT_EQ(hotkey.reregistrations, 1);
    QStringList texts = visibleTexts(view);
    EXPECT_TRUE(texts.contains("Alt+Ctrl+K"));
    EXPECT_TRUE(texts.contains("Reset"));

    isRegistered.set(false);
    texts = visibleTexts(view);
    EXPECT_TRUE(
        texts.contains("The shortcut Alt+Ctrl+K is used by another application. Record another."));
    isRegistered.set(true);

    hotkey.refused.push_back({40, 0x100 | 0x200}); // Super+Shift+K belongs to someone else
    record->click();
    QKeyEvent superShiftK(QEvent::KeyPress, Qt::Key_K, Qt::MetaModifier | Qt::ShiftModifier,
                          xKey(40), 0, 0);
    QApplication::sendEvent(record, &superShiftK);
    texts = visibleTexts(view);
    EXPECT_TRUE(texts.contains("Alt+Ctrl+K")) << "the old shortcut stays";
    EXPECT_TRUE(texts.contains(
        "The shortcut Super+Shift+K is used by another application. Record another."));
    EXPECT_EQ(preferences.integer("hotkeyModifiers"), 0x800 | 0x1000);
}

TEST_F(SettingsWidgetsTest, CommandsPageShowsLoadingThenTheErrorThenTheList) {
    transport.holding = true;
    transport.reply(500, "");
    settings->show();
    SettingsView* view = settings->window();
    view->select(SettingsPage::commands);
    EXPECT_TRUE(visibleTexts(view).contains("Loading commands..."));
    transport.releaseNext();
    queue.runPending();
    QStringList texts = visibleTexts(view);
    EXPECT_TRUE(texts.contains("Server error. Please try again later."));
    EXPECT_TRUE(texts.contains("Manage commands on scribeon.test"));
    transport.holding = false;
    transport.reply(200, commandsBody(2));
    for (QPushButton* button : view->findChildren<QPushButton*>())
        if (button->text() == "Retry")
            button->click();
    queue.runPending();
    texts = visibleTexts(view);
    EXPECT_FALSE(texts.contains("Server error. Please try again later."));
    EXPECT_TRUE(texts.contains("Command 1"));
    for (QPushButton* button : view->findChildren<QPushButton*>())
        if (button->text().startsWith("Manage commands on"))
            button->click();
    EXPECT_EQ(urlOpener.urls, (std::vector<std::string>{"https://scribeon.test/commands"}));
}

TEST_F(SettingsWidgetsTest, DraggingTheThirdRowToTheTopSavesEveryCode) {
    SettingsView* view = opened();
    view->resize(800, 500);
    CommandSettingsListView* list = commandList(view);
    QWidget* viewport = list->viewport();
    const QPoint from = rowPoint(list, 2);
    const QPoint top = list->visualRect(list->model()->index(0, 0)).topLeft() + QPoint(200, 3);
    QTest::mousePress(viewport, Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, top, viewport->mapToGlobal(top), Qt::NoButton,
                     Qt::LeftButton, {});
    QApplication::sendEvent(viewport, &move);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, top);
    EXPECT_EQ(rowCodes(list->model()), (QStringList{"c2", "c0", "c1", "c3"}));
    EXPECT_EQ(preferences.textList("commandOrder"),
              (std::vector<std::string>{"c2", "c0", "c1", "c3"}))
        << "the inactive c1 included";

    list->setCurrentIndex(list->model()->index(0, 0));
    QTest::keyClick(list, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(rowCodes(list->model()), (QStringList{"c0", "c2", "c1", "c3"}));
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

TEST_F(SettingsWidgetsTest, PickerMarksTheCurrentEmojiAndAChoiceShowsAtOnce) {
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
    const QString rocket = QString::fromUtf8("\xF0\x9F\x9A\x80");
    auto cell = std::find_if(picker->cells().begin(), picker->cells().end(),
                             [&](QToolButton* b) { return b->text() == rocket; });
    ASSERT_NE(cell, picker->cells().end());
    (*cell)->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(view->findChild<EmojiPickerView*>()) << "closed after the choice";
    EXPECT_EQ(list->model()->index(2, 0).data(CommandSettingsListModel::EmojiRole).toString(),
              rocket);
    EXPECT_EQ(service.getEmojis().at("c2"), rocket.toStdString());

    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      CommandSettingsRowDelegate::emojiButtonRect(row).center());
    picker = view->findChild<EmojiPickerView*>();
    ASSERT_TRUE(picker);
    EXPECT_TRUE((*std::find_if(picker->cells().begin(), picker->cells().end(),
                               [&](QToolButton* b) { return b->text() == rocket; }))
                    ->styleSheet()
                    .contains("0.20"));
    QTest::keyClick(picker->cells()[0], Qt::Key_Escape);
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
