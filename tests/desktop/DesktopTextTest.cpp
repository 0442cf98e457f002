#include "DesktopFixture.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>

#include <gmock/gmock.h>

namespace scribeon {
namespace {

using testing::Contains;
using testing::HasSubstr;
using testing::Not;

const QString testEditor = QStringLiteral(SCRIBEON_TEST_EDITOR);
const std::string thumbs = "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD"; // 👍🏽, two code points
const std::string accented = "e\xCC\x81";                      // e + combining acute

class DesktopTextTest : public DesktopFixture {
protected:
    QString dumpPath(const char* name) const {
        return scratch_.filePath(QString::fromLatin1(name));
    }

    static std::string contents(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString()
                                              : std::string("<none>");
    }

    // Types the text and waits until the application's document holds it.
    void typeAndWait(App& app, const std::string& text, const QString& dump = {}) {
        type(text);
        ASSERT_TRUE(waitUntil([&] {
            return dump.isEmpty() ? valueOf(app) == text : contents(dump) == text;
        })) << "typed text never arrived: "
            << valueOf(app).value_or("<none>");
    }

    // Selects `length` characters after the first `skip` with the keyboard.
    void selectWithKeys(App& app, int skip, int length, const std::string& expected,
                        bool checkThroughAtspi = true) {
        run({QStringLiteral("key"), QStringLiteral("ctrl+Home")});
        if (skip > 0)
            run({QStringLiteral("key"), QStringLiteral("--repeat"), QString::number(skip),
                 QStringLiteral("Right")});
        run({QStringLiteral("key"), QStringLiteral("--repeat"), QString::number(length),
             QStringLiteral("shift+Right")});
        if (checkThroughAtspi) {
            ASSERT_TRUE(waitUntil([&] { return selectionOf(app) == expected; }))
                << "selection is " << selectionOf(app).value_or("<none>");
        }
    }

    // Selects the last `length` characters with the keyboard.
    void selectLastWithKeys(App& app, int length, const std::string& expected) {
        run({QStringLiteral("key"), QStringLiteral("ctrl+End")});
        run({QStringLiteral("key"), QStringLiteral("--repeat"), QString::number(length),
             QStringLiteral("shift+Left")});
        ASSERT_TRUE(waitUntil([&] { return selectionOf(app) == expected; }))
            << "selection is " << selectionOf(app).value_or("<none>");
    }

    void expectClipboardText(const std::string& text) {
        EXPECT_TRUE(waitUntil([&] { return clipboard_.text() == text; }, 3000))
            << "clipboard holds " << clipboard_.text().value_or("<nothing>");
    }
};

TEST_F(DesktopTextTest, SelectionIsReadThroughAtspiWithoutTouchingTheClipboard) {
    struct Editor {
        const char* name;
        QString program;
        QStringList arguments;
    };
    const Editor editors[] = {
        {"Qt test editor", testEditor, {}},
        {"mousepad", QStringLiteral("mousepad"), {QStringLiteral("--disable-server")}},
    };
    for (const Editor& editor : editors) {
        SCOPED_TRACE(editor.name);
        clipboard_.setText("the user's clipboard");
        App& app = launch(editor.program, editor.arguments);
        ASSERT_TRUE(waitUntil([&] { return element(app) != nullptr; }))
            << "no focused text element";
        typeAndWait(app, "alpha beta gamma");
        selectWithKeys(app, 6, 4, "beta");

        log_.lines.clear();
        EXPECT_EQ(capture_.getSelectedText(), "beta");
        EXPECT_THAT(log_.lines, Contains("[Scribeon] capture: AX read OK (4 chars)"));
        EXPECT_EQ(clipboard_.text(), "the user's clipboard");
        TearDown();
    }
}

TEST_F(DesktopTextTest, WithoutAtspiTheCopyKeyIsUsedAndEveryClipboardFormatPutBack) {
    const QString dump = dumpPath("plain.txt");
    App& app = launch(testEditor, {QStringLiteral("--dump"), dump}, /*accessible=*/false);
    typeAndWait(app, "one two three", dump);
    selectWithKeys(app, 4, 3, "two", false);
    // The editor holds the primary selection, which would be taken without
    // any key; another application's leaves only the copy key.
    clipboard_.setPrimarySelectionText("elsewhere");

    {
        // Rich content besides the text, as a browser copy would leave.
        auto* data = new QMimeData;
        data->setText(QStringLiteral("kept text"));
        data->setData(QStringLiteral("application/x-scribeon-test"),
                      QByteArray("\x01\x02 binary", 9));
        QGuiApplication::clipboard()->setMimeData(data);
    }
    log_.lines.clear();
    EXPECT_EQ(capture_.getSelectedText(), "two");
    EXPECT_THAT(log_.lines, Contains("[Scribeon] capture: AX read insufficient, trying Cmd+C"));
    EXPECT_THAT(log_.lines, Contains("[Scribeon] capture: Cmd+C result: 3 chars"));
    EXPECT_THAT(log_.lines, Not(Contains(HasSubstr("primary selection taken"))));
    expectClipboardText("kept text");
    const QMimeData* back = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->data(QStringLiteral("application/x-scribeon-test")),
              QByteArray("\x01\x02 binary", 9));
}

TEST_F(DesktopTextTest, ShortcutModifiersStillHeldDoNotLeakIntoTheCopyKey) {
    const QString dump = dumpPath("held.txt");
    App& app = launch(testEditor, {QStringLiteral("--dump"), dump}, /*accessible=*/false);
    typeAndWait(app, "left right", dump);
    selectWithKeys(app, 5, 5, "right", false);
    clipboard_.setPrimarySelectionText("elsewhere"); // so that the copy key is used
    clipboard_.setText("before");
    // The user still holds Super+Shift of the shortcut; Ctrl+Shift+C would
    // not copy in the editor.
    run({QStringLiteral("keydown"), QStringLiteral("super+shift")});

    EXPECT_EQ(capture_.getSelectedText(), "right");
    expectClipboardText("before");
    // With Shift or Super still down this key would not type a plain "a".
    run({QStringLiteral("key"), QStringLiteral("a")});
    EXPECT_TRUE(waitUntil([&] { return contents(dump) == "left a"; })) << contents(dump);
}

TEST_F(DesktopTextTest, TerminalSelectionComesFromPrimaryAndItsProgramKeepsRunning) {
    App& terminal = launch(QStringLiteral("xterm"),
                           {QStringLiteral("-geometry"), QStringLiteral("80x10"),
                            QStringLiteral("-e"), QStringLiteral("sh"), QStringLiteral("-c"),
                            QStringLiteral("echo hello terminal world; exec cat")});
    clipboard_.setText("the user's clipboard");
    // A triple click selects the first line, which puts it in PRIMARY.
    run({QStringLiteral("mousemove"), QStringLiteral("--window"), terminal.window,
         QStringLiteral("10"), QStringLiteral("6"), QStringLiteral("click"),
         QStringLiteral("--repeat"), QStringLiteral("3"), QStringLiteral("--delay"),
         QStringLiteral("60"), QStringLiteral("1")});
    ASSERT_TRUE(waitUntil([&] {
        auto primary = clipboard_.primarySelectionText();
        return primary && primary->find("hello terminal world") != std::string::npos;
    })) << "xterm never filled the primary selection";

    log_.lines.clear();
    const auto captured = capture_.getSelectedText();
    ASSERT_TRUE(captured.has_value());
    EXPECT_THAT(*captured, HasSubstr("hello terminal world"));
    EXPECT_THAT(log_.lines, Contains(HasSubstr("reading the primary selection instead of Cmd+C")));
    EXPECT_EQ(clipboard_.text(), "the user's clipboard");
    // Ctrl+C would have ended `cat`, and xterm with it.
    EXPECT_EQ(terminal.process->state(), QProcess::Running);
}

TEST_F(DesktopTextTest, ReplaceWritesInPlaceAndKeepsTheRestOfTheDocument) {
    const std::string replacement = thumbs + " " + accented + " BETA";
    const std::string afterFirst = "alpha " + replacement + " gamma";
    const std::string afterSecond = "alpha " + replacement + " GAMMA";

    // Qt counts offsets in UTF-16 units; the file shows what the widget holds.
    const QString dump = dumpPath("qt.txt");
    App& qt = launch(testEditor, {QStringLiteral("--dump"), dump});
    ASSERT_TRUE(waitUntil([&] { return element(qt) != nullptr; }));
    typeAndWait(qt, "alpha beta gamma", dump);
    selectWithKeys(qt, 6, 4, "beta");
    EXPECT_EQ(replacement_.replaceSelectedText(replacement, "beta", qt.pid),
              ReplaceResult::replaced);
    EXPECT_TRUE(waitUntil([&] { return contents(dump) == afterFirst; })) << contents(dump);
    // A selection after the emoji and the combining mark.
    selectLastWithKeys(qt, 5, "gamma");
    EXPECT_EQ(replacement_.replaceSelectedText("GAMMA", "gamma", qt.pid), ReplaceResult::replaced);
    EXPECT_TRUE(waitUntil([&] { return contents(dump) == afterSecond; })) << contents(dump);
    EXPECT_THAT(log_.lines, Contains("[Scribeon] replace: AX write OK"));
    TearDown();

    // GTK counts code points.
    App& gtk = launch(QStringLiteral("mousepad"), {QStringLiteral("--disable-server")});
    ASSERT_TRUE(waitUntil([&] { return element(gtk) != nullptr; }));
    typeAndWait(gtk, "alpha beta gamma");
    selectWithKeys(gtk, 6, 4, "beta");
    EXPECT_EQ(replacement_.replaceSelectedText(replacement, "beta", gtk.pid),
              ReplaceResult::replaced);
    EXPECT_TRUE(waitUntil([&] { return valueOf(gtk) == afterFirst; })) << valueOf(gtk).value_or("");
    selectLastWithKeys(gtk, 5, "gamma");
    EXPECT_EQ(replacement_.replaceSelectedText("GAMMA", "gamma", gtk.pid), ReplaceResult::replaced);
    EXPECT_TRUE(waitUntil([&] { return valueOf(gtk) == afterSecond; }))
        << valueOf(gtk).value_or("");
}

TEST_F(DesktopTextTest, WriteThatReplacesTheWholeFieldIsTakenBack) {
    const QString dump = dumpPath("whole.txt");
    App& app =
        launch(testEditor, {QStringLiteral("--dump"), dump, QStringLiteral("--whole-field")});
    ASSERT_TRUE(waitUntil([&] { return element(app) != nullptr; }));
    typeAndWait(app, "keep all of this", dump);
    selectWithKeys(app, 5, 3, "all");

    EXPECT_EQ(replacement_.replaceSelectedText("EVERY BIT", "all", app.pid),
              ReplaceResult::clipboardOnly);
    EXPECT_TRUE(waitUntil([&] { return contents(dump) == "keep all of this"; })) << contents(dump);
    EXPECT_THAT(log_.lines, Contains("[Scribeon] AX write: scope mismatch — undoing with Cmd+Z"));
    EXPECT_THAT(log_.lines, Contains(HasSubstr("[Scribeon] undo: value restored through AX")));
}

TEST_F(DesktopTextTest, PastePathPastesIntoTheEditor) {
    const QString dump = dumpPath("paste.txt");
    App& app = launch(testEditor, {QStringLiteral("--dump"), dump}, /*accessible=*/false);
    typeAndWait(app, "red green blue", dump);
    selectWithKeys(app, 4, 5, "green", false);

    EXPECT_EQ(replacement_.replaceSelectedText("GREEN " + thumbs, "green", app.pid),
              ReplaceResult::replaced);
    EXPECT_TRUE(waitUntil([&] { return contents(dump) == "red GREEN " + thumbs + " blue"; }))
        << contents(dump);
    EXPECT_THAT(log_.lines,
                Contains("[Scribeon] Cmd+V: postToPid(" + std::to_string(app.pid) + ")"));
}

TEST_F(DesktopTextTest, StoppedApplicationIsNotAskedAndTheClipboardSurvives) {
    App& app = launch(testEditor, {});
    ASSERT_TRUE(waitUntil([&] { return element(app) != nullptr; }));
    clipboard_.setText("precious");
    freezeAndResume(app, true);

    log_.lines.clear();
    EXPECT_EQ(capture_.getSelectedText(), std::nullopt);
    EXPECT_THAT(log_.lines, Contains("[Scribeon] AX read: focused element failed (code=-2)"));
    expectClipboardText("precious");
    EXPECT_EQ(replacement_.replaceSelectedText("x", "y", app.pid), ReplaceResult::replaced);
    freezeAndResume(app, false);
}

} // namespace
} // namespace scribeon
