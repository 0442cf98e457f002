#include "panels/widgets/CommandPanelView.h"
#include "panels/widgets/FloatingPanel.h"
#include "panels/widgets/HintPanel.h"
#include "panels/widgets/HintView.h"
#include "panels/widgets/QtPanelPresenter.h"
#include "panels/widgets/ResultPanelView.h"
#include "platform/qt/ClosedWindowMemory.h"
#include "tests/fakes/ServiceStack.h"
#include "tests/integration/WidgetTexts.h"

#include <QApplication>
#include <QBackingStore>
#include <QCheckBox>
#include <QLabel>
#include <QListView>
#include <QPaintEvent>
#include <QPlainTextEdit>
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

// A click on the list, or on blank space in it, gives it the focus; the
// panel's keys must still reach the panel and not move the list on its own,
// and the others pass on to the list (a letter finds its row). A click on a
// row runs it, counted among the active ones. (The list as a screen reader
// meets it is read over AT-SPI in the e2e matrix.)
TEST_F(PanelViewsTest, PanelKeysArriveWhicheverChildHasTheFocusAndAClickRunsItsRow) {
    std::vector<PanelKey> seen;
    std::vector<int> clicked;
    model->commands.set({{"a", "A", true}, {"x", "Hidden", false}, {"b", "B", true}});
    CommandPanelActions actions;
    actions.rowClicked = [&](int row) { clicked.push_back(row); };
    auto* view = new CommandPanelView(model, actions);
    FloatingPanel panel(view, true);
    panel.onKey = [&](PanelKey key) {
        seen.push_back(key);
        return key != PanelKey::other;
    };
    panel.show();
    panel.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
    QListView* list = view->list();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      QPoint(5, list->viewport()->height() - 3));
    ASSERT_TRUE(list->hasFocus());
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_Return, Qt::Key_Escape})
        QTest::keyClick(list, key);
    QTest::keyClick(list, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(list->currentIndex().row(), 0) << "the list moved by itself";
    QTest::keyClick(list, Qt::Key_B);
    EXPECT_EQ(seen,
              (std::vector<PanelKey>{PanelKey::down, PanelKey::up, PanelKey::returnKey,
                                     PanelKey::escape, PanelKey::keypadEnter, PanelKey::other}));
    EXPECT_EQ(list->currentIndex().row(), 1) << "the letter did not reach the list";
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(1, 0)).center());
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
    const auto actionsOf = [&keys](const std::string& who) {
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
// is still on screen; a hidden window lets go of its backing store unless it
// is the kind kept for a one-frame showing, and is painted whole when shown
// again.
TEST(ClosedWindowMemoryTest, ReleasesOnceNoWindowIsLeftOnScreen) {
    struct Window : QWidget {
        std::vector<QRect> painted;
        void paintEvent(QPaintEvent* event) override { painted.push_back(event->rect()); }
    };
    ClosedWindowMemory memory;
    Window first;
    Window kept;
    kept.setProperty(ClosedWindowMemory::keepsBackingStore, true);
    for (Window* window : {&first, &kept}) {
        window->resize(120, 80);
        window->show();
        QTRY_VERIFY_WITH_TIMEOUT(!window->painted.empty(), 5000);
    }
    first.hide();
    EXPECT_TRUE(memory.isScheduled());
    EXPECT_FALSE(memory.release());
    kept.hide();
    QTRY_COMPARE_WITH_TIMEOUT(memory.releases(), 1, 5000);
    EXPECT_FALSE(memory.isScheduled());
    EXPECT_TRUE(first.backingStore()->size().isEmpty());
    EXPECT_EQ(kept.backingStore()->size(), kept.size());

    first.painted.clear();
    first.show();
    QTRY_VERIFY_WITH_TIMEOUT(!first.painted.empty(), 5000);
    EXPECT_EQ(first.painted.front(), first.rect());
    EXPECT_EQ(first.backingStore()->size(), first.size());
}

// The original shows on demand. Writing, Stop and Stopped as a screen reader
// meets them are e2e_stream_flow's; here the text follows its end unless the
// reader scrolled up, Copy is off while half written and Ctrl+C copies once
// done, and a failure shows under the text.
TEST_F(PanelViewsTest, StreamingResultGrowsAtItsEndFailsAndThenCopies) {
    auto run = ResultRun::writing({"fix", "Fix", "original", ""}, Cancel::make());
    int copies = 0;
    ResultPanelActions actions;
    actions.copy = [&] { ++copies; };
    auto* view =
        new ResultPanelView({"Fix", "hello .world", 12, std::string("note"), run}, actions);
    FloatingPanel panel(view, true);
    panel.show();
    panel.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
    EXPECT_TRUE(visibleTexts(view).contains("note"));
    EXPECT_FALSE(view->originalText()->isVisibleTo(view));
    view->originalToggle()->click();
    EXPECT_EQ(view->originalText()->isVisibleTo(view) ? view->originalText()->toPlainText() : "",
              QStringLiteral("hello .world"));
    EXPECT_FALSE(view->copyButton()->isEnabled());
    QScrollBar* bar = view->processedText()->verticalScrollBar();
    std::string expected;
    for (int n = 0; n < 60; ++n) {
        const std::string line = "line " + std::to_string(n) + "\n";
        run->append(line);
        expected += line;
        if (n == 40) { // the reader scrolls up
            QCoreApplication::processEvents();
            ASSERT_GT(bar->maximum(), 0);
            EXPECT_EQ(bar->value(), bar->maximum()) << "the text did not follow its end";
            bar->setValue(bar->maximum() / 2);
        }
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(view->processedText()->toPlainText().toStdString(), expected);
    EXPECT_LT(bar->value(), bar->maximum()) << "the reader was pulled down";
    run->fail("The AI response was incomplete.");
    EXPECT_EQ(view->status()->text(), QStringLiteral("Stopped by an error"));
    EXPECT_FALSE(view->stopButton()->isVisibleTo(view));
    EXPECT_TRUE(visibleTexts(view).contains(QString::number(expected.size()) + " chars"));
    const auto* failure = view->findChild<QLabel*>(QStringLiteral("failure"));
    EXPECT_TRUE(failure->isVisibleTo(view));
    EXPECT_EQ(failure->text(), QStringLiteral("The AI response was incomplete."));
    // Through the window, as the desktop delivers keys, so shortcuts apply; a
    // button's shortcut clicks it animated, a moment later. (Ctrl+Return is
    // e2e_main_flow's.)
    QTest::keyClick(panel.windowHandle(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return copies == 1; }, 5000));
}

// That the hint never takes the focus is e2e_main_flow's.
TEST_F(PanelViewsTest, HintTellsEveryCheckboxChange) {
    std::vector<bool> changes;
    int dismissals = 0;
    auto* view = new HintView(HintKind::copy,
                              {[&] { ++dismissals; }, [&](bool hide) { changes.push_back(hide); }});
    HintPanel hint(view);
    hint.present();
    view->dontShowAgain()->click();
    view->dontShowAgain()->click();
    EXPECT_EQ(changes, (std::vector<bool>{true, false}));
    view->okButton()->click();
    EXPECT_EQ(dismissals, 1);
}

} // namespace
} // namespace scribeon
