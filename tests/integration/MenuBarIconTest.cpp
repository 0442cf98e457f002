#include "ui/widgets/MenuBarIcon.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

TEST(MenuBarIconTest, BundledImageIsDrawnAtEighteenLogicalPixels) {
    const QIcon icon = menuBarIcon();
    ASSERT_FALSE(icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(18, 18)));
    EXPECT_TRUE(sizes.contains(QSize(36, 36)));
    EXPECT_TRUE(icon.isMask());
}

TEST(MenuBarIconTest, MissingResourceFallsBackToAThemedOrStyleIcon) {
    const QIcon icon = menuBarIcon(QStringLiteral(":/NoSuchIcon.png"));
    EXPECT_FALSE(icon.isNull());
    EXPECT_FALSE(icon.pixmap(18, 18).isNull());
    EXPECT_FALSE(icon.isMask());
}

} // namespace
} // namespace scribeon
