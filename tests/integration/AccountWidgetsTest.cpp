#include "tests/fakes/ScriptedAuthService.h"
#include "tests/integration/MenuBarState.h"
#include "tests/integration/WidgetTexts.h"
#include "ui/widgets/LoginWindow.h"
#include "ui/widgets/MenuBarIcon.h"
#include "ui/widgets/MenuBarView.h"
#include "ui/widgets/StatisticsView.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <set>

namespace scribeon {
namespace {

using test::visibleTexts;

QStringList rowNames(QWidget* root) {
    QStringList names;
    for (QPushButton* button : root->findChildren<QPushButton*>())
        if (button->isVisibleTo(root))
            names << button->accessibleName() + (button->findChild<QLabel*>("badge") ? "*" : "");
    return names;
}

class LoginWindowTest : public testing::Test {
protected:
    QLineEdit* field(const char* name) { return test::named<QLineEdit>(window.window(), name); }
    QPushButton* button() { return window.window()->findChild<QPushButton*>(); }

    test::ScriptedAuthService auth;
    LoginWindow window{auth};
    int successes = 0;
    bool windowGoneWhenTold = false;
    std::function<void()> onSuccess = [this] {
        ++successes;
        windowGoneWhenTold = window.window() == nullptr;
    };
};

// Typing and sending are e2e_account_flow's, the form's validity the view
// model's; here the password is hidden, the button follows the form, and a
// sign-in in flight takes no second Return.
TEST_F(LoginWindowTest, ThePasswordIsHiddenAndASignInInFlightTakesNoSecondReturn) {
    window.show(onSuccess);
    EXPECT_EQ(field("Password")->echoMode(), QLineEdit::Password);
    QTest::keyClicks(field("Email"), "   ");
    QTest::keyClicks(field("Password"), "pw");
    EXPECT_FALSE(button()->isEnabled());
    QTest::keyClicks(field("Email"), "ada@example.com");
    EXPECT_TRUE(button()->isEnabled());
    QTest::keyClick(field("Password"), Qt::Key_Return);
    QTest::keyClick(field("Password"), Qt::Key_Return);
    EXPECT_EQ(auth.calls.size(), 1u);
    EXPECT_TRUE(button()->findChild<QProgressBar*>()->isVisibleTo(button()));
    EXPECT_FALSE(button()->isEnabled());
}

// A wrong password's message outlives a close; a success closes the window
// before telling, and the next one starts empty.
TEST_F(LoginWindowTest, ClosingKeepsTheFormAndItsErrorSuccessEmptiesIt) {
    window.show(onSuccess);
    QTest::keyClicks(field("Email"), "  ada@example.com ");
    QTest::keyClicks(field("Password"), "wrong");
    QTest::mouseClick(button(), Qt::LeftButton);
    auth.answer(ServiceError(APIError::validationError("Told by the service.")));
    QWidget* first = window.window();
    first->close();
    window.show(onSuccess);
    EXPECT_EQ(window.window(), first);
    EXPECT_EQ(field("Email")->text(), "  ada@example.com ");
    // A screen reader reads the message itself, not just "Error".
    EXPECT_TRUE(test::named<QLabel>(first, "Told by the service."));

    QTest::mouseClick(button(), Qt::LeftButton);
    auth.answer(std::string("token"));
    EXPECT_EQ(successes, 1);
    EXPECT_TRUE(windowGoneWhenTold);
    window.show(onSuccess);
    EXPECT_TRUE(field("Email")->text().isEmpty());
    EXPECT_TRUE(field("Password")->text().isEmpty());
}

class MenuBarViewTest : public testing::Test, protected test::MenuBarState {
protected:
    MenuBarView view{model};
};

// The signed-in content is read over AT-SPI in e2e_account_flow, and its
// wording is the unit tests'; here the states that flow never meets.
TEST_F(MenuBarViewTest, ErrorsUpdatesAndUnlimitedPlansShow) {
    view.show();
    EXPECT_FALSE(visibleTexts(&view).contains("Usage")); // no user yet: rows only
    errorMessage.set("The request timed out.");
    isUpdateAvailable.set(true);
    EXPECT_TRUE(visibleTexts(&view).contains("The request timed out."));
    EXPECT_FALSE(visibleTexts(&view).contains("v2.1")); // no version known yet
    availableVersion.set("2.1");
    EXPECT_TRUE(visibleTexts(&view).contains("v2.1"));
    EXPECT_TRUE(rowNames(&view).contains("Check for Updates*"));

    view.hide(); // the user arrives while the panel is closed
    User unlimited;
    unlimited.plan = "unlimited";
    unlimited.statistics = {37, -38, -1, "2025-02-01T00:00:00.000Z"};
    user.set(unlimited);
    view.show();
    EXPECT_TRUE(visibleTexts(&view).contains("37"));
    EXPECT_FALSE(view.findChild<QProgressBar*>());
}

// Signed in, the rows are pressed in e2e_account_flow and e2e_settings_flow;
// signed out, Sign In is not.
TEST_F(MenuBarViewTest, SignedOutTheSignInButtonAsksTheProgram) {
    isAuthenticated.set(false);
    view.show();
    EXPECT_FALSE(rowNames(&view).contains("Settings"));
    QTest::mouseClick(view.findChild<QPushButton*>("signIn"), Qt::LeftButton);
    EXPECT_EQ(asked, std::vector<std::string>{"signin"});
}

// Whatever its titles, the menu reaches every action the panel offers.
TEST_F(MenuBarViewTest, TheContextMenuOffersTheSameActions) {
    using Actions = std::multiset<std::string>; // each once, in any order
    for (const auto& expected :
         {Actions{"settings", "updates", "signout", "quit"}, Actions{"signin", "signup", "quit"}}) {
        QMenu menu;
        MenuBarView::fillMenu(menu, model);
        asked.clear();
        for (QAction* action : menu.actions())
            action->trigger();
        EXPECT_EQ(Actions(asked.begin(), asked.end()), expected);
        isAuthenticated.set(false);
    }
}

TEST(MenuBarPlacementTest, NextToTheIconOrInTheNearestCornerAlwaysOnScreen) {
    const QRect area(0, 24, 1280, 776); // a panel bar at the top
    const QSize panel(280, 400);
    const struct {
        const char* what;
        QRect icon;
        QPoint pointer;
        QPoint expected;
    } cases[] = {
        // Below the icon, against the right edge; centred under it; above it.
        {"top right icon", QRect(1250, 0, 24, 24), {}, QPoint(1000, 27)},
        {"top middle icon", QRect(628, 0, 24, 24), {}, QPoint(499, 27)},
        {"bottom left icon", QRect(4, 776, 24, 24), {}, QPoint(0, 372)},
        {"no icon, pointer bottom right", QRect(), QPoint(1200, 700), QPoint(1000, 400)},
        {"no icon, pointer top left", QRect(), QPoint(10, 10), QPoint(0, 24)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MenuBarView::placement(c.icon, panel, area, c.pointer), c.expected) << c.what;
    // Taller than the screen: its top stays on screen.
    EXPECT_EQ(MenuBarView::placement(QRect(1250, 0, 24, 24), QSize(280, 900), area, {}).y(), 24);
}

TEST(StatisticsViewTest, LongDateIsTheLocalDayWithoutTheWeekday) {
    qputenv("TZ", "UTC");
    const std::int64_t feb1 = 1738368000000;
    EXPECT_EQ(StatisticsView::longDate(feb1, QLocale(QLocale::English, QLocale::UnitedStates)),
              "February 1, 2025");
    EXPECT_EQ(StatisticsView::longDate(feb1, QLocale(QLocale::German, QLocale::Germany)),
              "1. Februar 2025");
}

TEST(MenuBarIconTest, BundledMaskImageAtOneAndTwiceEighteenPixelsElseAThemedOne) {
    const QIcon icon = menuBarIcon();
    EXPECT_TRUE(icon.availableSizes().contains(QSize(18, 18)));
    EXPECT_TRUE(icon.availableSizes().contains(QSize(36, 36)));
    EXPECT_TRUE(icon.isMask());
    const QIcon fallback = menuBarIcon(QStringLiteral(":/NoSuchIcon.png"));
    EXPECT_FALSE(fallback.pixmap(18, 18).isNull());
    EXPECT_FALSE(fallback.isMask());
}

} // namespace
} // namespace scribeon
