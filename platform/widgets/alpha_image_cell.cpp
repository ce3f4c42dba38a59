#include "platform/widgets/alpha_image_cell.h"

#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>

namespace vellumo {

namespace {
constexpr qint64 kMaxPixels = 1024LL * 1024; // a picker's picture is small
} // namespace

AlphaImageCell::AlphaImageCell(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
}

QImage AlphaImageCell::LoadPicture(const QString& file) {
    QImageReader reader(file);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || static_cast<qint64>(size.width()) * size.height() > kMaxPixels)
        return {};
    return reader.read();
}

void AlphaImageCell::setPicture(const QImage& picture) {
    picture_ = picture;
    update();
}

void AlphaImageCell::setHighlight(bool on) {
    highlight_ = on;
    update();
}

void AlphaImageCell::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (highlight_) {
        p.fillRect(rect(), palette().color(QPalette::Highlight).lighter(170));
        p.setPen(palette().color(QPalette::Highlight));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    if (picture_.isNull())
        return;
    QSize shown = picture_.size();
    const QSize room = size() - QSize(2, 2);
    if (shown.width() > room.width() || shown.height() > room.height())
        shown.scale(room, Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, picture_);
}

void AlphaImageCell::enterEvent(QEnterEvent*) {
    emit entered();
}

void AlphaImageCell::leaveEvent(QEvent*) {
    emit left();
}

void AlphaImageCell::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

} // namespace vellumo
