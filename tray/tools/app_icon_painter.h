#pragma once
// The program's icon, drawn in code: a folded sheet of vellum with three lines of writing, carried
// by a blue speech bubble. The PNG files in data/System/ (VellumoN.png for each size of
// appIconSizes) are this drawing; tests/tray/app_icon_test.cpp checks them against it and writes
// them afresh when run with VELLUMO_WRITE_APP_ICON=1.
//
// Header only: it is a tool, not part of the program, which loads the PNG files.

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <array>

namespace vellumo::tools {

inline constexpr std::array<int, 5> appIconSizes{16, 32, 48, 64, 128};

inline QString appIconFileName(int size) {
    return QStringLiteral("System/Vellumo%1.png").arg(size);
}

// The drawing on a 64 x 64 grid, scaled to size x size, on a transparent background.
inline QImage paintAppIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size / 64.0, size / 64.0);

    // The bubble, with its tail at the lower left.
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(3, 4, 58, 44), 11, 11);
    QPainterPath tail;
    tail.moveTo(12, 44);
    tail.lineTo(8, 60);
    tail.lineTo(26, 46);
    tail.closeSubpath();
    bubble = bubble.united(tail);
    QLinearGradient blue(0, 4, 0, 60);
    blue.setColorAt(0, QColor(0x3B, 0x8E, 0xE6));
    blue.setColorAt(1, QColor(0x1C, 0x4F, 0xA8));
    p.setPen(QPen(QColor(0x12, 0x33, 0x6E), 2.0));
    p.setBrush(blue);
    p.drawPath(bubble);

    // The sheet, its upper right corner folded down.
    QPainterPath sheet;
    sheet.moveTo(15, 11);
    sheet.lineTo(41, 11);
    sheet.lineTo(50, 20);
    sheet.lineTo(50, 41);
    sheet.lineTo(15, 41);
    sheet.closeSubpath();
    p.setPen(QPen(QColor(0x8A, 0x6A, 0x3A), 1.5));
    p.setBrush(QColor(0xFB, 0xF1, 0xD6));
    p.drawPath(sheet);
    QPainterPath fold;
    fold.moveTo(41, 11);
    fold.lineTo(41, 20);
    fold.lineTo(50, 20);
    fold.closeSubpath();
    p.setBrush(QColor(0xE2, 0xCF, 0xA0));
    p.drawPath(fold);

    // Three lines of writing; the last one short.
    p.setPen(QPen(QColor(0x6B, 0x4E, 0x26), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(20, 20), QPointF(36, 20));
    p.drawLine(QPointF(20, 27), QPointF(45, 27));
    p.drawLine(QPointF(20, 34), QPointF(38, 34));
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace vellumo::tools
