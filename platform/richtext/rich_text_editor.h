#pragma once
// RichTextEditor: the compose window's rich-text editor, the viewer with its display mode off and the
// editing side added: inline pictures inserted at the caret, the text colour and background colour of
// the selection, the content as RTF (our own RtfWriter) and a formatting bar attached to it. Owned by
// its window, like any widget.
//
// Invariants: like the viewer, it never loads anything by itself: a picture enters the document only
// through insertPicture, which reads the file once, or through a paste, which carries the picture
// itself; either way the image is kept in the document's resources under a name of ours.
//
// Paste (and drop), by what the clipboard offers:
//
//   offered                          | inserted
//   ---------------------------------|-------------------------------------------------------------
//   rich text (HTML) with some text  | its text with its formatting (fonts, sizes, bold, italic,
//                                    | colours, paragraphs); its pictures only when the HTML carries
//                                    | them itself (data: URLs) or they are this editor's own; links
//                                    | become plain text; nothing named by the HTML (a remote image,
//                                    | a file, a style sheet) is ever fetched or read
//   a picture (and no such text)     | the picture, inline at the caret, as an emoticon is
//   plain text                       | the text, in the format at the caret
//
// Pictures beyond 4096 x 4096 pixels are left out. Before anything goes in, the paste check (when the
// holder set one) is asked with the RTF size of what would be added; on false nothing is inserted.
//
// Notifications: gotFocus when it takes the keyboard focus, clicked on a mouse press inside it.

#include "platform/richtext/rich_text_viewer.h"

#include <QByteArray>
#include <QColor>
#include <QString>

#include <functional>
#include <utility>
#include <vector>

class QImage;
class QTextDocument;

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

    // Asked before a paste goes in, with the size in RTF bytes of what it would add; false keeps it out
    // (the holder tells the user why). Without a check every paste goes in.
    void setPasteCheck(std::function<bool(qint64 rtfBytes)> check) { pasteCheck_ = std::move(check); }

signals:
    void gotFocus();
    void clicked();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // A name of ours for a picture of the document.
    QString newPictureName();
    // Puts the paste's pictures under names of ours in staging, and drops those it does not carry.
    void keepCarriedPictures(QTextDocument& staging, std::vector<std::pair<QString, QImage>>& pictures);

    std::function<bool(qint64)> pasteCheck_;
    int pictureCount_ = 0;
};

} // namespace vellumo
