#include "panels/widgets/CommandPanelView.h"
#include "panels/widgets/FloatingPanel.h"
#include "panels/widgets/HintPanel.h"
#include "panels/widgets/HintView.h"
#include "panels/widgets/QtPanelPresenter.h"
#include "panels/widgets/ResultPanelView.h"
#include "platform/qt/ClosedWindowMemory.h"
#include "tests/fakes/FakeHttpTransport.h"
#include "tests/fakes/FakeMainQueue.h"
#include "tests/fakes/InMemoryCredentialStore.h"
#include "tests/fakes/InMemoryPreferences.h"
#include "tests/fakes/ServiceStack.h"
#include "tests/integration/WidgetTexts.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace scribeon {
namespace {

using test::visibleTexts;

class PanelViewsTest : public testing::Test, protected ServiceStack {
protected:
    std::shared_ptr<CommandPanelViewModel> model = CommandPanelViewModel::create(service, queue);
};

TEST_F(PanelViewsTest, ChooserShowsTheBodyItsStateCallsFor) {
    CommandPanelView view(model, {});
    view.show();
    struct Row {
        const char* what;
        std::function<void()> arrange;
        CommandPanelView::Body body;
        const char* text;
    };
    const Row rows[] = {
        {"no commands", [] {}, CommandPanelView::Body::empty, "No active commands"},
        {"loading, held back", [&] { model->isLoading.set(true); }, CommandPanelView::Body::list,
         nullptr},
        {"loading shown", [&] { model->showLoadingIndicator.set(true); },
         CommandPanelView::Body::list, "Loading..."},
        {"list",
         [&] {
             model->isLoading.set(false);
             model->commands.set(
                 {{"fix", "Fix \xF0\x9F\x91\x8D \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D", true},
                  {"off", "Hidden", false}});
         },
         CommandPanelView::Body::list, "Fix \xF0\x9F\x91\x8D \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D"},
        {"error", [&] { model->errorMessage.set("Monthly request limit exceeded."); },
         CommandPanelView::Body::error, "Monthly request limit exceeded."},
        {"processing", [&] { model->isProcessing.set(true); }, CommandPanelView::Body::processing,
         "Processing..."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        row.arrange();
        QCoreApplication::processEvents();
        EXPECT_EQ(view.body(), row.body);
        const QStringList texts = visibleTexts(&view);
        if (row.text) {
            EXPECT_TRUE(texts.contains(QString::fromUtf8(row.text)))
                << texts.join(" | ").toStdString();
        }
        EXPECT_FALSE(texts.contains(QStringLiteral("Hidden")));
        EXPECT_EQ(texts.contains(QStringLiteral("Loading...")),
                  model->showLoadingIndicator.get() && row.body == CommandPanelView::Body::list);
    }
}

TEST_F(PanelViewsTest, PanelKeysReachTheActionsAndOthersPassOn) {
    std::vector<PanelKey> seen;
    FloatingPanel panel(new QWidget, true);
    panel.onKey = [&](PanelKey key) {
        seen.push_back(key);
        return key != PanelKey::other && key != PanelKey::keypadEnter;
    };
    struct Row {
        int key;
        Qt::KeyboardModifiers modifiers;
        PanelKey expected;
        bool accepted;
    };
    const Row rows[] = {{Qt::Key_Return, Qt::NoModifier, PanelKey::returnKey, true},
                        {Qt::Key_Enter, Qt::KeypadModifier, PanelKey::keypadEnter, false},
                        {Qt::Key_Escape, Qt::NoModifier, PanelKey::escape, true},
                        {Qt::Key_Up, Qt::NoModifier, PanelKey::up, true},
                        {Qt::Key_Down, Qt::NoModifier, PanelKey::down, true},
                        {Qt::Key_A, Qt::NoModifier, PanelKey::other, false}};
    for (const Row& row : rows) {
        QKeyEvent event(QEvent::KeyPress, row.key, row.modifiers);
        QApplication::sendEvent(&panel, &event);
        EXPECT_EQ(seen.back(), row.expected);
        EXPECT_EQ(event.isAccepted(), row.accepted) << row.key;
    }
}

// A click on the list, or on blank space in it, gives it the focus; the
// panel's keys must still reach the panel and not move the list on its own.
TEST_F(PanelViewsTest, PanelKeysArriveWhicheverChildHasTheFocus) {
    std::vector<PanelKey> seen;
    model->commands.set({{"a", "A", true}, {"b", "B", true}});
    auto* view = new CommandPanelView(model, {});
    FloatingPanel panel(view, true);
    panel.onKey = [&](PanelKey key) {
        seen.push_back(key);
        return key != PanelKey::other;
    };
    panel.show();
    panel.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
    QListView* list = view->list();
    ASSERT_NE(list, nullptr);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      QPoint(5, list->viewport()->height() - 3));
    ASSERT_TRUE(list->hasFocus());
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_Return, Qt::Key_Escape})
        QTest::keyClick(list, key);
    EXPECT_EQ(seen, (std::vector<PanelKey>{PanelKey::down, PanelKey::up, PanelKey::returnKey,
                                           PanelKey::escape}));
    EXPECT_EQ(list->currentIndex().row(), 0) << "the list moved by itself";
}

// A click runs the row it lands on, counted among the active ones. (The
// list as a screen reader meets it is read over AT-SPI in the e2e matrix.)
TEST_F(PanelViewsTest, AClickRunsTheRowItLandsOn) {
    model->commands.set(
        {{"a", "Fix spelling", true}, {"x", "Hidden", false}, {"b", "Shorten", true}});
    std::vector<int> clicked;
    CommandPanelActions actions;
    actions.rowClicked = [&](int row) { clicked.push_back(row); };
    CommandPanelView view(model, actions);
    view.show();
    const QRect second = view.list()->visualRect(view.list()->model()->index(1, 0));
    QTest::mouseClick(view.list()->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(clicked, std::vector<int>{1});
}

QStringList listItems(QListView* list) {
    QStringList items;
    for (int row = 0; list && row < list->model()->rowCount(); ++row)
        items << list->model()->index(row, 0).data().toString();
    return items;
}

// The chooser's window is made ahead and serves one chooser after another:
// each shows its own rows and sends keys to its own actions; a closed one
// keeps no body but the emptied list and follows no model; a chooser asked
// for while that window is on screen gets one of its own.
TEST_F(PanelViewsTest, ChooserWindowIsReusedAndKeepsNothingOfTheLastChooser) {
    QtPanelPresenter presenter;
    FloatingPanel* window = presenter.preparedCommandPanel();
    auto* view = window->findChild<CommandPanelView*>();
    ASSERT_NE(view, nullptr);
    std::vector<std::string> keys;
    const auto actionsOf = [&keys](std::string who) {
        CommandPanelActions actions;
        actions.key = [&keys, who](PanelKey) {
            keys.push_back(who);
            return true;
        };
        return actions;
    };
    model->commands.set({{"a", "Fix spelling", true}});
    auto first = presenter.showCommandPanel(model, actionsOf("first"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(listItems(view->list()), QStringList{QStringLiteral("Fix spelling")});
    model->isProcessing.set(true);
    first.reset();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window->isVisible());
    model->errorMessage.set("Monthly request limit exceeded.");
    QStringList texts;
    for (QLabel* label : view->findChildren<QLabel*>())
        texts << label->text();
    EXPECT_EQ(texts, QStringList{QStringLiteral("Commands")});
    EXPECT_TRUE(listItems(view->list()).isEmpty());

    auto next = CommandPanelViewModel::create(service, queue);
    next->commands.set({{"b", "Shorten", true}});
    auto second = presenter.showCommandPanel(next, actionsOf("second"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(listItems(view->list()), QStringList{QStringLiteral("Shorten")});
    QTest::keyClick(window, Qt::Key_Down);
    EXPECT_EQ(keys, std::vector<std::string>{"second"});

    auto third = presenter.showCommandPanel(next, actionsOf("third"));
    int choosersOnScreen = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        choosersOnScreen +=
            widget->objectName() == QLatin1String("commandPanel") && widget->isVisible();
    EXPECT_EQ(choosersOnScreen, 2);
    EXPECT_EQ(presenter.preparedCommandPanel(), window);
}

// Memory goes back once the last window of ours has closed, not while one
// is still on screen.
TEST(ClosedWindowMemoryTest, ReleasesOnceNoWindowIsLeftOnScreen) {
    ClosedWindowMemory memory;
    QWidget first;
    QWidget second;
    first.show();
    second.show();
    first.hide();
    EXPECT_TRUE(memory.isScheduled());
    EXPECT_FALSE(memory.release());
    second.hide();
    QTRY_COMPARE_WITH_TIMEOUT(memory.releases(), 1, 5000);
    EXPECT_FALSE(memory.isScheduled());
}

TEST_F(PanelViewsTest, ResultPanelButtonsAndTheirShortcuts) {
    int copied = 0;
    int replaced = 0;
    ResultPanelActions actions;
    actions.copy = [&] { ++copied; };
    actions.replace = [&] { ++replaced; };
    auto* view = new ResultPanelView({"Fix", "hello .world", 12, std::string("note"),
                                      ResultRun::finished({"fix", "Fix", "", "Hello. World"})},
                                     actions);
    FloatingPanel panel(view, true);
    panel.show();
    panel.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));

    const QStringList texts = visibleTexts(view);
    for (const char* text : {"Fix", "Result ready", "12 chars", "note"})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(text))) << text;
    EXPECT_FALSE(view->originalText()->isVisibleTo(view));
    view->originalToggle()->click();
    EXPECT_TRUE(view->originalText()->isVisibleTo(view));
    EXPECT_EQ(view->originalText()->toPlainText(), QStringLiteral("hello .world"));

    // Through the window, as the desktop delivers keys, so shortcuts apply.
    // A button's shortcut clicks it animated, a moment later.
    QTest::keyClick(panel.windowHandle(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return copied == 1; }, 5000));
    QTest::keyClick(panel.windowHandle(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return replaced == 1; }, 5000));
    EXPECT_FALSE(view->stopButton()->isVisibleTo(view));
}

TEST_F(PanelViewsTest, StreamingResultGrowsAtItsEndAndStops) {
    const auto line = [](int n) { return "line " + std::to_string(n) + "\n"; };
    struct Row {
        const char* name;
        bool readerScrolledUp;
        std::function<void(ResultRun&)> end;
        const char* status;
        const char* failure; // shown under the text, or null
    };
    const Row rows[] = {
        {"stopped at the end", false, [](ResultRun& run) { run.stop(); }, "Stopped", nullptr},
        {"failed while the reader looks higher up", true,
         [](ResultRun& run) { run.fail("The AI response was incomplete."); }, "Stopped by an error",
         "The AI response was incomplete."},
    };
    for (const Row& row : rows) {
        auto run = ResultRun::writing({"fix", "Fix", "original", ""}, Cancel::make());
        int stops = 0;
        int copies = 0;
        ResultPanelActions actions;
        actions.stop = [&] { ++stops; };
        actions.copy = [&] { ++copies; };
        auto* view = new ResultPanelView({"Fix", "original", 8, std::nullopt, run}, actions);
        FloatingPanel panel(view, true);
        panel.show();
        panel.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
        EXPECT_EQ(view->status()->text(), QStringLiteral("Writing...")) << row.name;
        EXPECT_TRUE(view->stopButton()->isVisibleTo(view)) << row.name;
        EXPECT_FALSE(view->copyButton()->isEnabled()) << row.name;
        QAccessibleInterface* stop = QAccessible::queryAccessibleInterface(view->stopButton());
        EXPECT_EQ(stop->role(), QAccessible::Button);
        EXPECT_EQ(stop->text(QAccessible::Name), QStringLiteral("Stop"));

        QScrollBar* bar = view->processedText()->verticalScrollBar();
        std::string expected;
        for (int n = 0; n < 60; ++n) {
            run->append(line(n));
            expected += line(n);
            if (n == 40 && row.readerScrolledUp)
                bar->setValue(bar->maximum() / 2);
        }
        QCoreApplication::processEvents();
        EXPECT_EQ(view->processedText()->toPlainText().toStdString(), expected) << row.name;
        ASSERT_GT(bar->maximum(), 0) << row.name;
        EXPECT_EQ(bar->value() == bar->maximum(), !row.readerScrolledUp) << row.name;

        QTest::keyClick(panel.windowHandle(), Qt::Key_C, Qt::ControlModifier);
        view->stopButton()->click();
        EXPECT_EQ(stops, 1) << row.name;
        row.end(*run);
        EXPECT_EQ(view->status()->text(), QString::fromUtf8(row.status)) << row.name;
        EXPECT_FALSE(view->stopButton()->isVisibleTo(view)) << row.name;
        EXPECT_TRUE(view->copyButton()->isEnabled()) << row.name;
        EXPECT_TRUE(visibleTexts(view).contains(QString::number(expected.size()) +
                                                QStringLiteral(" chars")))
            << row.name;
        const auto* failure = view->findChild<QLabel*>(QStringLiteral("failure"));
        EXPECT_EQ(failure->isVisibleTo(view), row.failure != nullptr) << row.name;
        EXPECT_EQ(failure->text(), QString::fromUtf8(row.failure ? row.failure : "")) << row.name;
        EXPECT_EQ(copies, 0) << row.name << ": Ctrl+C while writing copied";
    }
}

TEST_F(PanelViewsTest, HintTellsEveryCheckboxChangeAndAsksNotToTakeFocus) {
    // The offscreen platform activates every window it shows, so that the
    // hint keeps the focus elsewhere is checked on a real X server (e2e).
    std::vector<bool> changes;
    int dismissals = 0;
    auto* view = new HintView(HintKind::copy,
                              {[&] { ++dismissals; }, [&](bool hide) { changes.push_back(hide); }});
    HintPanel hint(view);
    hint.present();
    QCoreApplication::processEvents();
    EXPECT_TRUE(hint.testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(hint.windowFlags() & Qt::WindowDoesNotAcceptFocus);

    view->dontShowAgain()->click();
    view->dontShowAgain()->click();
    EXPECT_EQ(changes, (std::vector<bool>{true, false}));
    view->okButton()->click();
    EXPECT_EQ(dismissals, 1);
}

} // namespace
} // namespace scribeon
