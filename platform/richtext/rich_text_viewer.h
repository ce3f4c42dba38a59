#pragma once
// RichTextViewer: the rich-text control of the message windows, over QTextEdit. It shows a message's
// RTF (read by our own RtfReader) or plain text, copies its selection to the clipboard and gives the
// plain text of what it shows. The compose window's editor builds on it (display mode off) and adds
// the writer. Owned by its window, like any widget.
//
// Invariants: in display mode (the default) the content cannot be changed by the user, links are never
// followed and nothing is dropped in; the document only ever holds pictures that RtfReader put into its
// own resources, so showing a message never reads a file or the network.
//
// Showing is bounded: a message is read into a fresh document, within the reader's Limits, and then
// handed to the view, which lays it out a step at a time while the event loop runs; the document it
// replaces is deleted, so the view holds one document however many messages it shows. A message beyond
// the limits shows its beginning followed by one paragraph of its own, the cut notice (a text the
// window gives, translated), and isCut() is true; plainText() leaves the notice out, and
// plainTextOf() gives the text of the whole message for whoever needs all of it.
//
// Clipboard commands, as the windows pass them: 1 cut, 2 copy, 3 paste (cut and paste do nothing in
// display mode).

#include "platform/richtext/rtf_reader.h"

#include <QByteArrayView>
#include <QColor>
#include <QTextEdit>

namespace vellumo {

class RichTextViewer : public QTextEdit {
    Q_OBJECT
public:
    // The cut notice's text when the window gives none.
    static QString DefaultCutNotice();

    explicit RichTextViewer(QWidget* parent = nullptr);

    // Replaces the content with an RTF document; data that is not RTF shows as Windows-1252 text.
    void loadRtf(QByteArrayView rtf);
    // The RTF of a stored message field, one Windows-1252 byte per character.
    void loadRtfText(const QString& field);
    void loadPlainText(const QString& text);
    // The text it shows: paragraphs and line breaks as "\n", pictures as nothing, without the notice.
    QString plainText() const;
    // The text loadRtf(data) would show, whole: never cut.
    static QString plainTextOf(QByteArrayView data);

    // True when what it shows is the beginning of a larger message.
    bool isCut() const { return cut_; }
    void setCutNotice(const QString& text) { cutNotice_ = text; }
    const RtfReader::Limits& limits() const { return limits_; }
    void setLimits(const RtfReader::Limits& limits) { limits_ = limits; }

    // 1 cut, 2 copy, 3 paste the selection; any other command fails with error 5.
    void clipboardCommand(int command);

    // Display mode: read-only, selectable with mouse and keyboard, no links, no drops.
    void setDisplayMode(bool display);
    bool displayMode() const { return isReadOnly(); }

    void setBackColor(const QColor& colour);
    QColor backColor() const;

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    // A new, empty document with the settings of the one shown now.
    QTextDocument* freshDocument();
    // Shows document (a fresh one), with the notice after it when cut.
    void showDocument(QTextDocument* document, bool cut);

    RtfReader::Limits limits_;
    QString cutNotice_ = DefaultCutNotice();
    bool cut_ = false;
    qsizetype shownLength_ = 0; // plain-text length of the message part when cut
};

} // namespace vellumo
