#include "render/AppIcon.h"

#include "support/QtPrinters.h"

#include <QDir>
#include <QImage>
#include <gtest/gtest.h>

// The icon the build drew for each size of the icon theme: that size, transparent in the
// corners of its rounded tile, the opaque gateway in the middle.
TEST(AppIcon, BuildDrewEverySize) {
    for (const int size : AppIcon::Sizes) {
        SCOPED_TRACE(size);
        const QImage image(QDir(QStringLiteral(ORDANO_ICON_DIR))
                               .filePath(QStringLiteral("%1x%1/apps/ordano.png").arg(size)));
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255);
        EXPECT_EQ(image, AppIcon::draw(size).convertToFormat(image.format()));
    }
}
