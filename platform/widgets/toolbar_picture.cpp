#include "platform/widgets/toolbar_picture.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>

#include <functional>
#include <map>

namespace vellumo {

namespace {

// Every drawing works on a 32 x 32 canvas; the painter scales it to the size asked for.
using Drawing = std::function<void(QPainter&)>;

const QColor kInk(0x40, 0x40, 0x40);
const QColor kPaper(0xFF, 0xFF, 0xFF);
const QColor kMail(0x3C, 0x78, 0xC8);
const QColor kGo(0x2E, 0x8B, 0x3C);

QPen ink(qreal width, const QColor& colour = kInk) {
    QPen pen(colour, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

void envelope(QPainter& p) {
    p.setPen(ink(2, kMail.darker(130)));
    p.setBrush(kPaper);
    p.drawRect(QRectF(3, 8, 22, 16));
    p.drawPolyline(QPolygonF({QPointF(3, 8), QPointF(14, 17), QPointF(25, 8)}));
}

// An arrow from the right bent back to the left, its head at (x, y).
void replyArrow(QPainter& p, qreal x, qreal y, const QColor& colour) {
    QPainterPath path;
    path.moveTo(28, 26);
    path.cubicTo(28, 16, 22, y, x + 2, y);
    p.setPen(ink(3, colour));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.drawPolyline(QPolygonF({QPointF(x + 8, y - 6), QPointF(x + 1, y), QPointF(x + 8, y + 6)}));
}

void sheet(QPainter& p, const QRectF& r) {
    p.setPen(ink(1.5));
    p.setBrush(kPaper);
    p.drawRect(r);
    p.setPen(ink(1, QColor(0x90, 0x90, 0x90)));
    for (qreal y = r.top() + 5; y < r.bottom() - 2; y += 4)
        p.drawLine(QPointF(r.left() + 3, y), QPointF(r.right() - 3, y));
}

const std::map<QString, Drawing>& drawings() {
    static const std::map<QString, Drawing> table = {
        {QStringLiteral("mail-message-new"),
         [](QPainter& p) {
             envelope(p);
             p.setPen(ink(3, kGo));
             p.drawLine(QPointF(25, 18), QPointF(25, 30));
             p.drawLine(QPointF(19, 24), QPointF(31, 24));
         }},
        {QStringLiteral("mail-send"),
         [](QPainter& p) {
             envelope(p);
             p.setPen(ink(3, kGo));
             p.drawLine(QPointF(17, 25), QPointF(30, 25));
             p.drawPolyline(QPolygonF({QPointF(25, 20), QPointF(30, 25), QPointF(25, 30)}));
         }},
        {QStringLiteral("mail-reply-sender"), [](QPainter& p) { replyArrow(p, 4, 12, kMail); }},
        {QStringLiteral("mail-reply-all"),
         [](QPainter& p) {
             replyArrow(p, 9, 12, kMail);
             p.setPen(ink(3, kMail.lighter(130)));
             p.drawPolyline(QPolygonF({QPointF(9, 6), QPointF(2, 12), QPointF(9, 18)}));
         }},
        {QStringLiteral("edit-cut"),
         [](QPainter& p) {
             // Two blades crossing, and the two rings of the handles below.
             p.setPen(ink(2.5, QColor(0x70, 0x70, 0x70)));
             p.drawLine(QPointF(10, 3), QPointF(20, 21));
             p.drawLine(QPointF(22, 3), QPointF(12, 21));
             p.setPen(ink(2.5, QColor(0xC0, 0x30, 0x30)));
             p.setBrush(Qt::NoBrush);
             p.drawEllipse(QPointF(9, 25), 5, 5);
             p.drawEllipse(QPointF(23, 25), 5, 5);
         }},
        {QStringLiteral("edit-copy"),
         [](QPainter& p) {
             sheet(p, QRectF(4, 3, 16, 20));
             sheet(p, QRectF(12, 9, 16, 20));
         }},
        {QStringLiteral("edit-paste"),
         [](QPainter& p) {
             p.setPen(ink(1.5, QColor(0x6B, 0x4A, 0x2B)));
             p.setBrush(QColor(0xB0, 0x80, 0x50));
             p.drawRoundedRect(QRectF(4, 5, 20, 25), 2, 2);
             p.setBrush(QColor(0xA0, 0xA0, 0xA0));
             p.drawRoundedRect(QRectF(9, 2, 10, 6), 1.5, 1.5);
             sheet(p, QRectF(13, 12, 16, 18));
         }},
        {QStringLiteral("face-smile"),
         [](QPainter& p) {
             p.setPen(ink(1.5, QColor(0xA0, 0x80, 0x00)));
             p.setBrush(QColor(0xFF, 0xD8, 0x30));
             p.drawEllipse(QPointF(16, 16), 13, 13);
             p.setBrush(kInk);
             p.setPen(Qt::NoPen);
             p.drawEllipse(QPointF(11.5, 12.5), 2, 2.5);
             p.drawEllipse(QPointF(20.5, 12.5), 2, 2.5);
             p.setPen(ink(2));
             p.setBrush(Qt::NoBrush);
             p.drawArc(QRectF(9, 10, 14, 12), -20 * 16, -140 * 16);
         }},
        {QStringLiteral("preferences-system"),
         [](QPainter& p) {
             const qreal knobs[3] = {20, 10, 16};
             for (int i = 0; i < 3; ++i) {
                 const qreal y = 7 + i * 9;
                 p.setPen(ink(2));
                 p.drawLine(QPointF(4, y), QPointF(28, y));
                 p.setPen(ink(1.5));
                 p.setBrush(kMail);
                 p.drawRoundedRect(QRectF(knobs[i] - 3, y - 4, 6, 8), 1.5, 1.5);
             }
         }},
        {QStringLiteral("applications-utilities"),
         [](QPainter& p) {
             p.setPen(ink(1.5, QColor(0x80, 0x20, 0x20)));
             p.setBrush(QColor(0xC8, 0x3C, 0x3C));
             p.drawRect(QRectF(3, 12, 26, 16));
             p.setBrush(Qt::NoBrush);
             p.setPen(ink(2.5));
             p.drawRoundedRect(QRectF(11, 6, 10, 7), 2, 2);
             p.setPen(ink(1.5, QColor(0x80, 0x20, 0x20)));
             p.drawLine(QPointF(3, 18), QPointF(29, 18));
         }},
        {QStringLiteral("document-open-recent"),
         [](QPainter& p) {
             p.setPen(ink(2));
             p.setBrush(kPaper);
             p.drawEllipse(QPointF(16, 16), 13, 13);
             p.setPen(ink(2.5, kMail));
             p.drawLine(QPointF(16, 16), QPointF(16, 8));
             p.drawLine(QPointF(16, 16), QPointF(22, 19));
         }},
    };
    return table;
}

QStyle::StandardPixmap standardFallback(const QString& name) {
    static const std::map<QString, QStyle::StandardPixmap> table = {
        {QStringLiteral("go-first"), QStyle::SP_MediaSkipBackward},
        {QStringLiteral("go-previous"), QStyle::SP_ArrowLeft},
        {QStringLiteral("go-next"), QStyle::SP_ArrowRight},
        {QStringLiteral("go-last"), QStyle::SP_MediaSkipForward},
        {QStringLiteral("edit-delete"), QStyle::SP_TrashIcon},
        {QStringLiteral("window-close"), QStyle::SP_DialogCloseButton},
        {QStringLiteral("application-exit"), QStyle::SP_DialogCloseButton},
        {QStringLiteral("network-workgroup"), QStyle::SP_DriveNetIcon},
        {QStringLiteral("window-minimize"), QStyle::SP_TitleBarMinButton},
    };
    const auto it = table.find(name);
    return it == table.end() ? QStyle::SP_CustomBase : it->second;
}

QIcon drawn(const Drawing& draw) {
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 32.0, size / 32.0);
        draw(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

QIcon ToolbarPictureFallback(const QString& name) {
    const auto& table = drawings();
    if (const auto it = table.find(name); it != table.end())
        return drawn(it->second);
    if (const QStyle::StandardPixmap sp = standardFallback(name); sp != QStyle::SP_CustomBase && QApplication::style())
        return QApplication::style()->standardIcon(sp);
    return QIcon();
}

QIcon ToolbarPicture(const QString& name) {
    if (name.isEmpty())
        return QIcon();
    if (QIcon::hasThemeIcon(name))
        return QIcon::fromTheme(name);
    return ToolbarPictureFallback(name);
}

} // namespace vellumo
