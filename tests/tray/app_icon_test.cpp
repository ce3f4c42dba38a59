// The shipped icon files are the drawing of tray/tools/app_icon_painter.h, load as pictures of their
// size with a transparent surround, and make one icon with every size. Run with
// VELLUMO_WRITE_APP_ICON=1 to write the files afresh after changing the drawing.

#include "tray/tools/app_icon_painter.h"

#include <QDir>
#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

#include <cstdlib>

namespace vellumo {
namespace {

QString shipped(int size) {
    return QStringLiteral(VELLUMO_SOURCE_DIR "/data/") + tools::appIconFileName(size);
}

// The largest difference of one colour channel, between premultiplied pixels (antialiasing may move
// by a step or two between Qt releases; a changed drawing moves far more).
int largestDifference(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int worst = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    return worst;
}

TEST(AppIcon, ShippedFilesAreTheDrawing) {
    if (std::getenv("VELLUMO_WRITE_APP_ICON")) {
        QDir().mkpath(QStringLiteral(VELLUMO_SOURCE_DIR "/data/System"));
        for (int size : tools::appIconSizes)
            ASSERT_TRUE(tools::paintAppIcon(size).save(shipped(size), "PNG")) << size;
    }
    for (int size : tools::appIconSizes) {
        SCOPED_TRACE(size);
        QImage file;
        ASSERT_TRUE(file.load(shipped(size)));
        ASSERT_EQ(file.size(), QSize(size, size));
        EXPECT_TRUE(file.hasAlphaChannel());
        EXPECT_EQ(qAlpha(file.pixel(size - 1, size - 1)), 0); // the corner outside the bubble
        EXPECT_EQ(qAlpha(file.pixel(size / 2, size / 2)), 255);
        EXPECT_LE(largestDifference(file, tools::paintAppIcon(size)), 8);
    }
}

TEST(AppIcon, FilesMakeOneIconWithEverySize) {
    QIcon icon;
    for (int size : tools::appIconSizes)
        icon.addFile(shipped(size), QSize(size, size));
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.availableSizes().size(), static_cast<qsizetype>(tools::appIconSizes.size()));
    EXPECT_EQ(icon.pixmap(16, 16).size(), QSize(16, 16));
}

} // namespace
} // namespace vellumo
