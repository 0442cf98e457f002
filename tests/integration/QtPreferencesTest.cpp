#include "platform/qt/QtPreferences.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace scribeon {
namespace {

class QtPreferencesTest : public testing::Test {
protected:
    QString path() const { return dir.filePath(QStringLiteral("Scribeon.conf")); }
    void writeFile(const QByteArray& text) {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    QTemporaryDir dir;
};

TEST_F(QtPreferencesTest, EveryKindSurvivesAReopen) {
    const std::string bytes("[{\"code\":\"a, b\",\"name\":\"=;#\"}]\n\x00\xFF", 34);
    {
        QtPreferences prefs(path());
        EXPECT_TRUE(prefs.setData("cachedCommands", bytes));
        EXPECT_TRUE(prefs.setTextList("commandOrder", {"b", "a, c", "\xC3\xA9", ""}));
        EXPECT_TRUE(prefs.setTextList("single", {"only"}));
        EXPECT_TRUE(
            prefs.setTextMap("commandEmojis", {{"fix", "\xF0\x9F\x93\x9D"}, {"a=b", "\""}}));
        EXPECT_TRUE(prefs.setInteger("hotkeyKeyCode", 4294967295LL));
        EXPECT_TRUE(prefs.setBoolean("hideCopyHint", true));
    }
    QtPreferences prefs(path());
    EXPECT_EQ(prefs.data("cachedCommands"), bytes);
    EXPECT_EQ(prefs.textList("commandOrder"),
              (std::vector<std::string>{"b", "a, c", "\xC3\xA9", ""}));
    EXPECT_EQ(prefs.textList("single"), (std::vector<std::string>{"only"}));
    EXPECT_EQ(prefs.textMap("commandEmojis"),
              (std::map<std::string, std::string>{{"fix", "\xF0\x9F\x93\x9D"}, {"a=b", "\""}}));
    EXPECT_EQ(prefs.integer("hotkeyKeyCode"), 4294967295LL);
    EXPECT_EQ(prefs.boolean("hideCopyHint"), true);
    EXPECT_TRUE(prefs.remove("hideCopyHint"));
    EXPECT_FALSE(QtPreferences(path()).boolean("hideCopyHint"));
}

TEST_F(QtPreferencesTest, HandEditedValuesAreReadAndThoseOfTheWrongKindAsAbsent) {
    writeFile("[General]\n"
              "cachedCommands=[{\"code\":\"a\"}]\n"
              "commandOrder=a, b\n"
              "commandEmojis=[\"not\", \"a map\"]\n"
              "hotkeyKeyCode=thirty-four\n"
              "hotkeyModifiers=768\n"
              "hideCopyHint=yes\n"
              "hideReplaceHint=false\n"
              // A map as the README shows it: JSON in quotes, its quotes escaped.
              "applicationKeys=\"{\\\"Emacs\\\": \\\"standard\\\"}\"\n");
    QtPreferences prefs(path());
    EXPECT_FALSE(prefs.data("cachedCommands"));
    EXPECT_FALSE(prefs.textList("commandOrder"));
    EXPECT_FALSE(prefs.textMap("commandEmojis"));
    EXPECT_FALSE(prefs.integer("hotkeyKeyCode"));
    EXPECT_EQ(prefs.integer("hotkeyModifiers"), 768);
    EXPECT_FALSE(prefs.boolean("hideCopyHint"));
    EXPECT_EQ(prefs.boolean("hideReplaceHint"), false);
    EXPECT_FALSE(prefs.textMap("missing"));
    EXPECT_EQ(prefs.textMap("applicationKeys"),
              (std::map<std::string, std::string>{{"Emacs", "standard"}}));
}

TEST_F(QtPreferencesTest, CorruptFileReadsAsDefaultsAndTheNextWriteKeepsWhatWasReadable) {
    writeFile(QByteArrayLiteral(
        "\x00\xFF\xFE garbage without a section\n[General]\nhotkeyModifiers=2304\n=broken\n"));
    QtPreferences prefs(path());
    EXPECT_FALSE(prefs.textList("commandOrder"));
    EXPECT_EQ(prefs.integer("hotkeyModifiers"), 2304);
    EXPECT_TRUE(prefs.setTextList("commandOrder", {"a"}));
    QtPreferences reopened(path());
    EXPECT_EQ(reopened.textList("commandOrder"), (std::vector<std::string>{"a"}));
    EXPECT_EQ(reopened.integer("hotkeyModifiers"), 2304);
    QFile aside(path() + QStringLiteral(".unreadable"));
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_TRUE(aside.readAll().startsWith(QByteArrayLiteral("\x00\xFF\xFE garbage")));
}

TEST_F(QtPreferencesTest, WriteToAnUnwritableFileReportsFailure) {
    QtPreferences prefs(dir.filePath(QStringLiteral("no-such-dir/and/Scribeon.conf")));
    QFile blocker(dir.filePath(QStringLiteral("no-such-dir")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the directory should be
    blocker.close();
    EXPECT_FALSE(prefs.setBoolean("hideCopyHint", true));
}

// Qt reads XDG_CONFIG_HOME once per process, so the test runner sets it (to a
// temporary directory) before the process starts.
TEST_F(QtPreferencesTest, DefaultFileLivesInTheXdgConfigDirectory) {
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty() || !configHome.startsWith(QStringLiteral("/tmp/")))
        GTEST_SKIP() << "needs a temporary XDG_CONFIG_HOME; run through with-fresh-home.sh";
    {
        QtPreferences prefs;
        EXPECT_TRUE(prefs.setInteger("hotkeyKeyCode", 34));
    }
    EXPECT_TRUE(QFile::exists(configHome + QStringLiteral("/Scribeon/Scribeon.conf")));
}

} // namespace
} // namespace scribeon
