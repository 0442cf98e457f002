#include "platform/qt/XdgAutostartEntry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

namespace scribeon {
namespace {

void writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QString readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

class XdgAutostartEntryTest : public testing::Test {
protected:
    // The rest of the process keeps its own configuration folders.
    void TearDown() override {
        for (const auto& [name, value] : saved) {
            if (value.isNull())
                unsetenv(name);
            else
                setenv(name, value.constData(), 1);
        }
    }
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        setenv("XDG_CONFIG_HOME", qPrintable(root.filePath("user")), 1);
        setenv("XDG_CONFIG_DIRS", qPrintable(root.filePath("system")), 1);
        writeFile(templatePath, "[Desktop Entry]\nType=Application\nName=Scribeon\nExec=scribeon\n"
                                "X-GNOME-Autostart-enabled=true\n");
    }

    const std::pair<const char*, QByteArray> saved[2] = {
        {"XDG_CONFIG_HOME", qgetenv("XDG_CONFIG_HOME")},
        {"XDG_CONFIG_DIRS", qgetenv("XDG_CONFIG_DIRS")}};
    QTemporaryDir root;
    QString templatePath = root.filePath("template.desktop");
    QString systemPath = root.filePath("system/autostart/scribeon.desktop");
    XdgAutostartEntry entry{templatePath, QStringLiteral("/opt/My Apps/scribeon")};
};

// Writing and removing the user's own entry, naming this binary, is
// e2e_settings_flow's; here the cases a desktop session holds besides.
TEST_F(XdgAutostartEntryTest, ASystemWideEntryIsSwitchedOffWithAHiddenOneOverIt) {
    writeFile(systemPath, "[Desktop Entry]\nType=Application\nName=Scribeon\nExec=scribeon\n");
    EXPECT_TRUE(entry.isInstalled());
    ASSERT_TRUE(entry.remove());
    EXPECT_TRUE(readFile(entry.userPath()).contains("Hidden=true"));
    EXPECT_TRUE(QFile::exists(systemPath)) << "the system's file is not ours to touch";
    EXPECT_FALSE(entry.isInstalled());
    ASSERT_TRUE(entry.install());
    EXPECT_TRUE(entry.isInstalled());
}

TEST_F(XdgAutostartEntryTest, FailuresNameTheFile) {
    XdgAutostartEntry missing(root.filePath("nowhere.desktop"), "scribeon");
    const auto noTemplate = missing.install();
    ASSERT_FALSE(noTemplate);
    EXPECT_NE(noTemplate.error().find("nowhere.desktop"), std::string::npos);

    writeFile(root.filePath("user/autostart"), "a file where the folder belongs");
    const auto blocked = entry.install();
    ASSERT_FALSE(blocked);
    EXPECT_NE(blocked.error().find("autostart"), std::string::npos) << blocked.error();
    EXPECT_FALSE(entry.isInstalled());
}

TEST_F(XdgAutostartEntryTest, ExecArgumentsAreQuotedAsTheDesktopEntryFormatAsks) {
    const struct {
        const char* argument;
        const char* quoted;
    } cases[] = {
        {"/usr/bin/scribeon", "/usr/bin/scribeon"},
        {"/opt/My Apps/scribeon", "\"/opt/My Apps/scribeon\""},
        {"/opt/$HOME/s", "\"/opt/\\\\$HOME/s\""},
        {"/opt/a\"b/s", "\"/opt/a\\\\\"b/s\""},
        {"/opt/a\\b/s", "\"/opt/a\\\\\\\\b/s\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(XdgAutostartEntry::quotedExecArgument(c.argument).toStdString(), c.quoted)
            << c.argument;
}

} // namespace
} // namespace scribeon
