#pragma once
// AlphaImageCell: one picture cell of a picker: a PNG picture drawn with its transparency over the
// cell's background, centred, scaled down (never up) when it is larger than the cell, a Tag text,
// and a highlight frame. Reports the mouse entering, leaving and clicking it. Owned by its window.

#include <QImage>
#include <QString>
#include <QWidget>

namespace vellumo {

class AlphaImageCell : public QWidget {
    Q_OBJECT
public:
    explicit AlphaImageCell(QWidget* parent = nullptr);

    // Reads a picture file at its own size; a file that does not read gives no picture (false).
    static QImage LoadPicture(const QString& file);

    void setPicture(const QImage& picture);
    const QImage& picture() const { return picture_; }
    void setHighlight(bool on);
    bool highlight() const { return highlight_; }

    QString Tag;

signals:
    void entered();
    void left();
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage picture_;
    bool highlight_ = false;
};

} // namespace vellumo
