#include "platform/qt/ThemedIcon.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <tuple>

namespace scribeon {
namespace {

// A theme of its own: "keyboard" in full colour only at 512 px (as Adwaita
// keeps it) with a small symbolic form, "warning" in full colour at 24 px
// with a symbolic form too, "poster" at 512 px with nothing smaller.
class ThemedIconTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        const QString theme = folder.path() + QStringLiteral("/Test");
        write(theme + QStringLiteral("/index.theme"),
              "[Icon Theme]\nName=Test\nDirectories=16x16/status,24x24/status,512x512/status\n"
              "[16x16/status]\nSize=16\nType=Fixed\n[24x24/status]\nSize=24\nType=Fixed\n"
              "[512x512/status]\nSize=512\nType=Fixed\n");
        picture(theme + QStringLiteral("/512x512/status/keyboard.png"), 512, Qt::red);
        picture(theme + QStringLiteral("/16x16/status/keyboard-symbolic.png"), 16, Qt::black);
        picture(theme + QStringLiteral("/24x24/status/warning.png"), 24, Qt::blue);
        picture(theme + QStringLiteral("/16x16/status/warning-symbolic.png"), 16, Qt::black);
        picture(theme + QStringLiteral("/512x512/status/poster.png"), 512, Qt::red);
        searchPaths = QIcon::themeSearchPaths();
        themeName = QIcon::themeName();
        QIcon::setThemeSearchPaths({folder.path()});
        QIcon::setThemeName(QStringLiteral("Test"));
    }
    void TearDown() override {
        QIcon::setThemeSearchPaths(searchPaths);
        QIcon::setThemeName(themeName);
    }

    static void write(const QString& path, const char* text) {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    static void picture(const QString& path, int side, QColor colour) {
        QDir().mkpath(QFileInfo(path).path());
        QImage image(side, side, QImage::Format_ARGB32);
        image.fill(colour);
        ASSERT_TRUE(image.save(path));
    }

    QTemporaryDir folder;
    QStringList searchPaths;
    QString themeName;
};

TEST_F(ThemedIconTest, SmallLabelsAvoidDecodingHugePictures) {
    const std::tuple<const char*, QColor> cases[] = {
        {"keyboard", Qt::green}, // the symbolic form, in the ink given
        {"warning", Qt::blue},   // full colour near the size shown
        {"poster", Qt::red},     // nothing smaller to show
    };
    for (const auto& [name, expected] : cases) {
        const QPixmap shown = themedPixmap(name, QStyle::SP_ComputerIcon, 14, Qt::green);
        EXPECT_EQ(shown.deviceIndependentSize().toSize(), QSize(14, 14)) << name;
        EXPECT_EQ(shown.toImage().pixelColor(7, 7), expected) << name;
    }
    EXPECT_FALSE(themedPixmap("absent", QStyle::SP_ComputerIcon, 14, Qt::green).isNull());
}

} // namespace
} // namespace scribeon
