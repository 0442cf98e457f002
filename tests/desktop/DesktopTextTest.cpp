// Real adapters against the private desktop the wrapper script started
// (Xvfb, openbox, a session bus with the accessibility bus), for what the
// editors of the desktop matrix (tests/e2e) cannot show: formats besides
// text on the clipboard, an editor that replaces the whole field, an
// application that stopped answering.
#include "WaitUntil.h"
#include "accessibility/AccessibilityCapture.h"
#include "accessibility/AccessibilityReplacement.h"
#include "platform/linux/AtspiAccessibilityBridge.h"
#include "platform/linux/ThreadSleeper.h"
#include "platform/qt/QtClipboard.h"
#include "platform/x11/X11Workspace.h"
#include "platform/x11/XTestKeySynth.h"
#include "tests/fakes/RecordingLog.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>

namespace scribeon {
namespace {

class DesktopTextTest : public testing::Test {
protected:
    void TearDown() override {
        if (HasFailure()) {
            for (const std::string& line : log_.lines)
                std::fprintf(stderr, "  log: %s\n", line.c_str());
        }
        if (pid_ != 0)
            ::kill(pid_, SIGCONT);
        editor_.kill();
        editor_.waitForFinished(5000);
    }

    static QString run(const QStringList& xdotoolArguments) {
        QProcess xdotool;
        xdotool.start(QStringLiteral("xdotool"), xdotoolArguments);
        xdotool.waitForFinished(20000);
        return QString::fromUtf8(xdotool.readAllStandardOutput()).trimmed();
    }

    // Starts the test editor, writing its text to `dump_`, and brings its
    // window to the front.
    void launch(const QStringList& arguments, bool accessible) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        if (accessible)
            env.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
        else
            env.remove(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"));
        editor_.setProcessEnvironment(env);
        editor_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        editor_.start(QStringLiteral(SCRIBEON_TEST_EDITOR),
                      QStringList{QStringLiteral("--dump"), dump_} + arguments);
        ASSERT_TRUE(editor_.waitForStarted(10000));
        pid_ = static_cast<int>(editor_.processId());
        QString window;
        ASSERT_TRUE(waitUntil([&] {
            window = run({"search", "--onlyvisible", "--pid", QString::number(pid_)})
                         .section(QLatin1Char('\n'), 0, 0);
            return !window.isEmpty();
        })) << "no window of the editor";
        run({"windowactivate", "--sync", window});
        ASSERT_TRUE(waitUntil([&] {
            const auto front = workspace_->frontmostApplication();
            return front && front->pid == pid_;
        })) << "the editor never became active";
    }

    // The editor with `text` typed, and `length` characters after the first
    // `skip` selected with the keyboard.
    void launchWithSelection(const QStringList& arguments, bool accessible, const std::string& text,
                             int skip, int length) {
        launch(arguments, accessible);
        run({"type", "--delay", "8", QString::fromStdString(text)});
        ASSERT_TRUE(waitUntil([&] { return contents() == text; })) << contents();
        run({"key", "ctrl+Home"});
        run({"key", "--repeat", QString::number(skip), "Right"});
        run({"key", "--repeat", QString::number(length), "shift+Right"});
        const std::string selected = text.substr(skip, length);
        ASSERT_TRUE(!accessible || waitUntil([&] { return selectionOf() == selected; }))
            << "selection is " << selectionOf().value_or("<none>");
    }

    std::shared_ptr<AccessibleElement> element() {
        FocusedElement focused = bridge_.focusedElement(pid_);
        return focused.status == BridgeStatus::success ? focused.element : nullptr;
    }
    std::optional<std::string> selectionOf() {
        auto focused = element();
        return focused ? focused->selectedText().text() : std::nullopt;
    }
    std::string contents() const {
        QFile file(dump_);
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<none>";
    }
    void expectClipboardText(const std::string& text) {
        EXPECT_TRUE(waitUntil([&] { return clipboard_.text() == text; }, 3000))
            << "clipboard holds " << clipboard_.text().value_or("<nothing>");
    }

    QTemporaryDir scratch_;
    const QString dump_ = scratch_.filePath(QStringLiteral("dump.txt"));
    QProcess editor_;
    int pid_ = 0;
    std::unique_ptr<X11Workspace> workspace_ = X11Workspace::open();
    std::unique_ptr<XTestKeySynth> keys_ = XTestKeySynth::open();
    AtspiAccessibilityBridge bridge_;
    QtClipboard clipboard_;
    ThreadSleeper sleeper_;
    RecordingLog log_;
    FocusedText text_{{*workspace_, bridge_, *keys_, clipboard_, sleeper_, log_}};
    AccessibilityCapture capture_{text_};
    AccessibilityReplacement replacement_{text_};
};

// The copy key while the user still holds the shortcut's Super+Shift: they
// must not turn it into Ctrl+Shift+C, nor stay down after it.
TEST_F(DesktopTextTest, TheCopyKeyPutsEveryClipboardFormatBackAndLeavesNoKeyDown) {
    launchWithSelection({}, /*accessible=*/false, "one two three", 4, 3);
    // The editor holds the primary selection, which would be taken without
    // any key; another application's leaves only the copy key.
    clipboard_.setPrimarySelectionText("elsewhere");
    auto* data = new QMimeData; // rich content besides the text, as a browser copy leaves
    data->setText(QStringLiteral("kept text"));
    data->setData(QStringLiteral("application/x-scribeon-test"), QByteArray("\x01\x02 binary", 9));
    QGuiApplication::clipboard()->setMimeData(data);
    run({"keydown", "super+shift"});

    EXPECT_EQ(capture_.getSelectedText(), "two");
    expectClipboardText("kept text");
    const QMimeData* back = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->data(QStringLiteral("application/x-scribeon-test")),
              QByteArray("\x01\x02 binary", 9));
    // With Shift or Super still down this key would not type a plain "a".
    run({"key", "a"});
    EXPECT_TRUE(waitUntil([&] { return contents() == "one a three"; })) << contents();
}

TEST_F(DesktopTextTest, WriteThatReplacesTheWholeFieldIsTakenBack) {
    launchWithSelection({QStringLiteral("--whole-field")}, true, "keep all of this", 5, 3);
    EXPECT_EQ(replacement_.replaceSelectedText("EVERY BIT", "all", pid_),
              ReplaceResult::clipboardOnly);
    EXPECT_TRUE(waitUntil([&] { return contents() == "keep all of this"; })) << contents();
}

TEST_F(DesktopTextTest, StoppedApplicationIsNotAskedAndTheClipboardSurvives) {
    launch({}, true);
    ASSERT_TRUE(waitUntil([&] { return element() != nullptr; }));
    clipboard_.setText("precious");
    ::kill(pid_, SIGSTOP);
    EXPECT_EQ(capture_.getSelectedText(), std::nullopt);
    expectClipboardText("precious");
    EXPECT_EQ(replacement_.replaceSelectedText("x", "y", pid_), ReplaceResult::replaced);
}

} // namespace
} // namespace scribeon
