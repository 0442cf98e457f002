#include "platform/linux/SystemLog.h"
#include "tests/fakes/RecordingLog.h"
#include "tests/fakes/RecordingUrlOpener.h"
#include "tests/fakes/ScriptedAuthService.h"
#include "tests/integration/MenuBarState.h"
#include "tests/integration/SettingsWindowStack.h"
#include "tests/integration/WidgetTexts.h"
#include "ui/widgets/CommandsSettingsPage.h"
#include "ui/widgets/ErrorToastView.h"
#include "ui/widgets/LoginView.h"
#include "ui/widgets/MenuBarView.h"
#include "ui/widgets/UpdateDialog.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolTip>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <sys/inotify.h>
#include <unistd.h>

namespace scribeon {
namespace {

// A file that tells whether anything opened it: inotify sees every open.
class ReadProbe {
public:
    ReadProbe() {
        ::close(::mkstemp(path_.data()));
        if (watch_ < 0 || inotify_add_watch(watch_, path_.c_str(), IN_OPEN) < 0)
            throw std::runtime_error("inotify");
    }
    ~ReadProbe() {
        ::close(watch_);
        ::unlink(path_.c_str());
    }
    const std::string& path() const { return path_; }
    bool opened() {
        char events[4096];
        opened_ = opened_ || ::read(watch_, events, sizeof events) > 0;
        return opened_;
    }

private:
    std::string path_ = "/tmp/pXXXXXX"; // short: the path shows in one-line labels
    int watch_ = inotify_init1(IN_NONBLOCK);
    bool opened_ = false;
};

// What the label shows: the text its layout made of what it was given (a
// label that reads its text as markup shows "x" for "<b>x</b>").
QString shown(QLabel* label) {
    (void)label->sizeHint(); // lays the text out, loading whatever it names
    if (const auto* document = label->findChild<QTextDocument*>())
        return document->toPlainText();
    return label->text();
}

// Every label under root, except those whose markup is our own.
QStringList shownTexts(QWidget* root) {
    QStringList texts;
    for (QLabel* label : root->findChildren<QLabel*>())
        if (label->textFormat() != Qt::RichText && !label->text().isEmpty())
            texts << shown(label);
    return texts;
}

class HostileTextTest : public testing::Test {
protected:
    std::vector<std::string> hostile() const {
        return {"Ada<img src=" + probe.path() + ">",
                "<a href=\"file://" + probe.path() + "\">x</a>", "<b>x</b>", "&lt;",
                "<img src=\"" + probe.path() + "\" width=900>y"};
    }
    // Each hostile text shows literally somewhere under root, no label shows
    // anything but what it was given, and no file was read.
    void expectLiteral(QWidget* root, const std::string& text) {
        const QStringList texts = shownTexts(root);
        EXPECT_FALSE(texts.filter(QString::fromStdString(text)).isEmpty())
            << text << " in " << texts.join('|').toStdString();
        for (QLabel* label : root->findChildren<QLabel*>()) {
            if (label->textFormat() != Qt::RichText) {
                EXPECT_EQ(shown(label).toStdString(), label->text().toStdString());
            }
        }
        EXPECT_FALSE(probe.opened()) << "read " << probe.path() << " for " << text;
    }

    ReadProbe probe;
};

User userNamed(const std::string& text) {
    User user;
    user.name = user.email = user.plan = text;
    user.statistics = {1, 9, 10, std::nullopt};
    return user;
}

QLabel* shownToolTip() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->inherits("QTipLabel") && window->isVisible())
            return qobject_cast<QLabel*>(window);
    return nullptr;
}

// The account as text, and once too long for the panel, elided with the
// whole text in tool tips that show it as text too.
TEST_F(HostileTextTest, TheTrayPanelShowsTheAccountAsText) {
    test::MenuBarState state;
    state.isUpdateAvailable.set(true);
    MenuBarView view{state.model};
    view.show();
    for (const std::string& text : hostile()) {
        state.user.set(userNamed(text));
        state.errorMessage.set(text);
        state.availableVersion.set(text);
        expectLiteral(&view, text);

        state.user.set(userNamed(text + std::string(120, 'n')));
        int tips = 0;
        for (QLabel* label : view.findChildren<QLabel*>()) {
            if (label->toolTip().isEmpty())
                continue;
            ++tips;
            QToolTip::showText(label->mapToGlobal(QPoint(1, 1)), label->toolTip(), label);
            QLabel* tip = shownToolTip();
            ASSERT_TRUE(tip);
            // The whole text, as a screen reader hears it.
            EXPECT_EQ(shown(tip).toStdString(), label->accessibleName().toStdString());
            QToolTip::hideText();
        }
        EXPECT_EQ(tips, 3) << "the name, the e-mail and the plan are elided";
        EXPECT_EQ(view.width(), MenuBarView::panelWidth);
        EXPECT_FALSE(probe.opened()) << text;
    }
}

TEST_F(HostileTextTest, TheSignInFormAndTheToastShowTheServicesMessageAsText) {
    test::ScriptedAuthService auth;
    auto model = AuthViewModel::create(auth);
    LoginView view{model, [] {}};
    view.show();
    QWidget window;
    window.resize(600, 400);
    ErrorToastView toast(&window);
    window.show();
    for (const std::string& text : hostile()) {
        model->errorMessage.set(text);
        expectLiteral(&view, text);
        toast.setMessage(QString::fromStdString(text));
        expectLiteral(&toast, text);
    }
}

// The notes are formatted but load nothing; the release notes link opens the
// feed's address, checked when clicked, never one made of its own markup.
TEST_F(HostileTextTest, TheUpdateDialogShowsTheFeedAsTextAndItsNotesWithoutLoadingAnything) {
    RecordingUrlOpener opener;
    RecordingLog log;
    UpdateDialog dialog(opener, log);
    for (const std::string& text : hostile()) {
        AppcastItem item;
        item.version = "9";
        item.displayVersion = text;
        item.description = "<ul><li>Faster <b>" + text + "</b></li></ul><img src=\"" +
                           probe.path() + "\"><link rel=stylesheet href=\"" + probe.path() + "\">";
        item.releaseNotesURL = "https://scribeon.test/notes\"><img src=" + probe.path() + ">";
        dialog.showFound(item, text, [] {});
        expectLiteral(dialog.window(), text);
        auto* notes = dialog.window()->findChild<QTextBrowser*>();
        ASSERT_TRUE(notes);
        (void)notes->document()->size(); // lays the notes out, images included
        (void)notes->grab();
        EXPECT_TRUE(notes->toPlainText().contains("Faster")) << notes->toPlainText().toStdString();
        EXPECT_FALSE(notes->toPlainText().contains("<ul>"));
        emit test::named<QLabel>(dialog.window(), "Release notes")->linkActivated("#");
        EXPECT_EQ(opener.urls, std::vector<std::string>{});
        dialog.showFailure(text);
        expectLiteral(dialog.window(), text);
        dialog.showDownloaded(text);
        expectLiteral(dialog.window(), text);
    }
    AppcastItem plain;
    plain.releaseNotesURL = "https://scribeon.test/notes";
    dialog.showFound(plain, "1", [] {});
    emit test::named<QLabel>(dialog.window(), "Release notes")->linkActivated("#");
    EXPECT_EQ(opener.urls, std::vector<std::string>{"https://scribeon.test/notes"});
}

class HostileSettingsTest : public HostileTextTest, protected test::SettingsWindowStack {};

TEST_F(HostileSettingsTest, TheCommandsPageShowsTheServicesMessageAsText) {
    for (const std::string& text : hostile()) {
        SettingsView* view = opened(422, nlohmann::json{{"message", text}}.dump());
        ASSERT_TRUE(view);
        view->select(SettingsPage::commands);
        expectLiteral(view->commandsPage(), text);
        closeWindow();
    }
}

// Another application's text quoted in a diagnostic line reaches the
// terminal as text: no escape sequence is obeyed, no line is forged.
TEST(SystemLogTest, QuotedTextCannotDriveTheTerminal) {
    ::setenv("SCRIBEON_LOG", "stderr", 1);
    SystemLog log;
    ::unsetenv("SCRIBEON_LOG");
    testing::internal::CaptureStderr();
    log.write("AX write: before='\x1b]0;owned\x07\x1b[2J\nroot# ' (3)");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "[Scribeon] AX write: before='^[]0;owned^G^[[2J root# ' (3)\n");
}

} // namespace
} // namespace scribeon
