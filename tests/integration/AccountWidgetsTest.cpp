#include "tests/fakes/ScriptedAuthService.h"
#include "tests/integration/WidgetTexts.h"
#include "ui/widgets/LoginView.h"
#include "ui/widgets/LoginWindow.h"
#include "ui/widgets/MenuBarView.h"
#include "ui/widgets/StatisticsView.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

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
    QLineEdit* field(const char* name) {
        for (auto* edit : window.window()->findChildren<QLineEdit*>())
            if (edit->accessibleName() == QLatin1String(name))
                return edit;
        return nullptr;
    }
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

TEST_F(LoginWindowTest, TheButtonAndReturnFollowTheForm) {
    window.show(onSuccess);
    EXPECT_EQ(field("Password")->echoMode(), QLineEdit::Password);
    const struct {
        const char *email, *password;
        bool enabled;
    } cases[] = {
        {"", "", false},
        {"   ", "pw", false},
        {"ada@example.com", "", false},
        {"ada@example.com", "pw", true},
    };
    for (const auto& c : cases) {
        field("Email")->clear();
        field("Password")->clear();
        QTest::keyClicks(field("Email"), c.email);
        QTest::keyClicks(field("Password"), c.password);
        EXPECT_EQ(button()->isEnabled(), c.enabled) << c.email << "/" << c.password;
        QTest::keyClick(field("Password"), Qt::Key_Return);
        EXPECT_EQ(auth.calls.size(), c.enabled ? 1u : 0u) << c.email << "/" << c.password;
    }
    // In flight: the button is busy and disabled, Return sends nothing more.
    EXPECT_TRUE(button()->text().isEmpty());
    EXPECT_TRUE(button()->findChild<QProgressBar*>()->isVisibleTo(button()));
    EXPECT_FALSE(button()->isEnabled());
    QTest::keyClick(field("Password"), Qt::Key_Return);
    EXPECT_EQ(auth.calls.size(), 1u);
}

TEST_F(LoginWindowTest, ClosingKeepsTheFormAndItsError) {
    window.show(onSuccess);
    QTest::keyClicks(field("Email"), "  ada@example.com ");
    QTest::keyClicks(field("Password"), "wrong");
    QTest::mouseClick(button(), Qt::LeftButton);
    EXPECT_EQ(auth.calls.at(0).first, "ada@example.com");
    auth.answer(ServiceError(APIError::validationError("The provided credentials are incorrect.")));
    EXPECT_EQ(button()->text(), "Sign In");
    QWidget* first = window.window();
    first->close();
    window.show([] {});
    EXPECT_EQ(window.window(), first);
    EXPECT_EQ(field("Email")->text(), "  ada@example.com ");
    EXPECT_TRUE(visibleTexts(first).contains("The provided credentials are incorrect."));
    bool announced = false; // a screen reader reads the message itself, not just "Error"
    for (QLabel* label : first->findChildren<QLabel*>())
        announced |= label->accessibleName() == "The provided credentials are incorrect.";
    EXPECT_TRUE(announced);
}

TEST_F(LoginWindowTest, SuccessClosesTheWindowFirstAndTheNextOneIsEmpty) {
    window.show(onSuccess);
    QTest::keyClicks(field("Email"), "ada@example.com");
    QTest::keyClicks(field("Password"), "right");
    QTest::mouseClick(button(), Qt::LeftButton);
    auth.answer(std::string("token"));
    EXPECT_EQ(successes, 1);
    EXPECT_TRUE(windowGoneWhenTold);
    window.show(onSuccess);
    EXPECT_TRUE(field("Email")->text().isEmpty());
    EXPECT_TRUE(field("Password")->text().isEmpty());
}

User ada(std::string plan, std::int64_t used, std::int64_t limit) {
    User user;
    user.id = 1;
    user.name = "Ada Lovelace";
    user.email = "ada@example.com";
    user.plan = std::move(plan);
    user.statistics = {used, limit - used, limit, "2025-02-01T00:00:00.000Z"};
    return user;
}

class MenuBarViewTest : public testing::Test {
protected:
    Property<bool> isAuthenticated{true};
    Property<std::optional<User>, Notify::Always> user;
    Property<std::optional<std::string>> errorMessage;
    Property<bool> isUpdateAvailable{false};
    Property<std::optional<std::string>> availableVersion;
    std::vector<std::string> asked;
    std::function<void()> ask(std::string what) {
        return [this, what] { asked.push_back(what); };
    }
    MenuBarModel model{isAuthenticated,  user,
                       errorMessage,     isUpdateAvailable,
                       availableVersion, [] { return std::string("Super+Shift+I"); },
                       ask("settings"),  ask("updates"),
                       ask("signout"),   ask("quit"),
                       ask("signin"),    ask("signup")};
    MenuBarView view{model};
};

TEST_F(MenuBarViewTest, SignedInContentFollowsTheState) {
    view.show();
    EXPECT_EQ(rowNames(&view),
              QStringList({"Settings", "Check for Updates", "Sign Out", "Quit Scribeon"}));
    EXPECT_TRUE(visibleTexts(&view).contains("Super+Shift+I")); // no user yet: rows only
    EXPECT_FALSE(visibleTexts(&view).contains("Usage"));

    user.set(ada("PRO", 91, 100));
    QStringList texts = visibleTexts(&view);
    for (const char* expected : {"Ada Lovelace", "ada@example.com", "Usage", "Pro", "91 / 100",
                                 "requests used", "Select text and press"})
        EXPECT_TRUE(texts.contains(expected))
            << expected << " in " << texts.join('|').toStdString();
    EXPECT_TRUE(texts.filter(QRegularExpression("^Resets on .*2025$")).size() == 1)
        << texts.join('|').toStdString();

    errorMessage.set("The request timed out.");
    isUpdateAvailable.set(true);
    texts = visibleTexts(&view);
    EXPECT_TRUE(texts.contains("The request timed out."));
    EXPECT_TRUE(texts.contains("Update available"));
    EXPECT_FALSE(texts.contains("v2.1")); // no version known yet
    availableVersion.set("2.1");
    EXPECT_TRUE(visibleTexts(&view).contains("v2.1"));
    EXPECT_TRUE(rowNames(&view).contains("Check for Updates*"));
    EXPECT_TRUE(rowNames(&view).contains("Update available, v2.1"));
}

TEST_F(MenuBarViewTest, UnlimitedPlansShowTheCountAlone) {
    user.set(ada("unlimited", 37, -1)); // loaded while the panel is closed
    view.show();
    const QStringList texts = visibleTexts(&view);
    for (const char* expected : {"37", "requests this month", "Unlimited"})
        EXPECT_TRUE(texts.contains(expected)) << expected;
    EXPECT_FALSE(view.findChild<QProgressBar*>());
}

TEST_F(MenuBarViewTest, RowsAndButtonsAskTheProgram) {
    view.show();
    for (const char* name : {"settings", "updates", "signout", "quit"})
        QTest::mouseClick(view.findChild<QPushButton*>(name), Qt::LeftButton);
    EXPECT_EQ(asked, (std::vector<std::string>{"settings", "updates", "signout", "quit"}));
    asked.clear();
    isAuthenticated.set(false);
    view.show();
    EXPECT_EQ(rowNames(&view), QStringList({"", "", "Quit Scribeon"}));
    const QStringList texts = visibleTexts(&view);
    for (const char* expected : {"Scribeon", "Sign in to get started", "Sign In", "Sign Up"})
        EXPECT_TRUE(texts.contains(expected)) << expected;
    QTest::mouseClick(view.findChild<QPushButton*>("signIn"), Qt::LeftButton);
    view.show();
    QTest::mouseClick(view.findChild<QPushButton*>("signUp"), Qt::LeftButton);
    EXPECT_EQ(asked, (std::vector<std::string>{"signin", "signup"}));
}

TEST_F(MenuBarViewTest, LongNamesAreElidedToThePanel) {
    User huge = ada(std::string(10000, 'p'), 1, 10);
    huge.name = std::string(10000, 'N');
    user.set(huge);
    view.show();
    EXPECT_EQ(view.width(), MenuBarView::panelWidth);
    for (QLabel* label : view.findChildren<QLabel*>())
        EXPECT_LT(label->text().size(), 200) << label->text().left(20).toStdString();
}

TEST_F(MenuBarViewTest, TheContextMenuOffersTheSameActions) {
    QMenu menu;
    MenuBarView::fillMenu(menu, model);
    QStringList titles;
    for (QAction* action : menu.actions())
        if (!action->isSeparator())
            titles << action->text();
    EXPECT_EQ(titles, QStringList({"Settings", "Check for Updates", "Sign Out", "Quit Scribeon"}));
    isAuthenticated.set(false);
    MenuBarView::fillMenu(menu, model);
    menu.actions().at(1)->trigger();
    EXPECT_EQ(asked, std::vector<std::string>{"signup"});
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
        {"icon at the top right: below it, against the right edge",
         QRect(1250, 0, 24, 24),
         {},
         QPoint(1000, 27)},
        {"icon in the middle of a top bar: centred under it",
         QRect(628, 0, 24, 24),
         {},
         QPoint(499, 27)},
        {"icon at the bottom left: above it, against the left edge",
         QRect(4, 776, 24, 24),
         {},
         QPoint(0, 372)},
        {"no icon, pointer bottom right", QRect(), QPoint(1200, 700), QPoint(1000, 400)},
        {"no icon, pointer top left", QRect(), QPoint(10, 10), QPoint(0, 24)},
    };
    for (const auto& c : cases) {
        const QPoint at = MenuBarView::placement(c.icon, panel, area, c.pointer);
        EXPECT_EQ(at, c.expected) << c.what;
        EXPECT_TRUE(area.contains(QRect(at, panel))) << c.what;
    }
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

} // namespace
} // namespace scribeon
