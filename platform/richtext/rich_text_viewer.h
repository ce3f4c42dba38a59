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
// Clipboard commands, as the windows pass them: 1 cut, 2 copy, 3 paste (cut and paste do nothing in
// display mode).

#include <QByteArrayView>
#include <QColor>
#include <QTextEdit>

namespace vellumo {

class RichTextViewer : public QTextEdit {
    Q_OBJECT
public:
    explicit RichTextViewer(QWidget* parent = nullptr);

    // Replaces the content with an RTF document; data that is not RTF shows as Windows-1252 text.
    void loadRtf(QByteArrayView rtf);
    // The RTF of a stored message field, one Windows-1252 byte per character.
    void loadRtfText(const QString& field);
    void loadPlainText(const QString& text);
    // The text it shows: paragraphs and line breaks as "\n", pictures as nothing.
    QString plainText() const;

    // 1 cut, 2 copy, 3 paste the selection; any other command fails with error 5.
    void clipboardCommand(int command);

    // Display mode: read-only, selectable with mouse and keyboard, no links, no drops.
    void setDisplayMode(bool display);
    bool displayMode() const { return isReadOnly(); }

    void setBackColor(const QColor& colour);
    QColor backColor() const;

protected:
    QVariant loadResource(int type, const QUrl& name) override;
};

} // namespace vellumo
