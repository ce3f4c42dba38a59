#pragma once
// RichTextEditor: the compose window's rich-text editor, the viewer with its display mode off and the
// editing side added: inline pictures inserted at the caret, the text colour and background colour of
// the selection, the content as RTF (our own RtfWriter) and a formatting bar attached to it. Owned by
// its window, like any widget.
//
// Invariants: like the viewer, it never loads anything by itself: a picture enters the document only
// through insertPicture, which reads the file once and keeps the image in the document's resources
// under a name of ours; pasting takes plain text only, so no foreign markup or link reaches the body.
//
// Notifications: gotFocus when it takes the keyboard focus, clicked on a mouse press inside it.

#include "platform/richtext/rich_text_viewer.h"

#include <QByteArray>
#include <QColor>
#include <QString>

namespace vellumo {

class RichTextEditor : public RichTextViewer {
    Q_OBJECT
public:
    explicit RichTextEditor(QWidget* parent = nullptr);

    // Inserts the picture file (PNG, JPEG) at the caret at scaleX and scaleY percent of its own size.
    // False when the file is not a picture that can be read; the document is then unchanged.
    bool insertPicture(const QString& file, int scaleX = 100, int scaleY = 100);

    // Colours of the selection (or of what is typed next when nothing is selected).
    void setSelectionTextColor(const QColor& colour);
    void setSelectionBackColor(const QColor& colour);

    // The whole content as RTF bytes (Windows-1252), and as a stored field, one character a byte.
    QByteArray rtf() const;
    QString rtfText() const;

signals:
    void gotFocus();
    void clicked();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    int pictureCount_ = 0;
};

} // namespace vellumo
