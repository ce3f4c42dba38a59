#pragma once
// frmSendMessage: the compose window. A line of recipients (`Text1`, names each followed by ";"), the
// rich-text editor with its formatting bar, colour buttons for the selection, an emoticon panel that
// slides up over the lower part of the window, and a toolbar: send, network browser, cut, copy,
// paste, emoticons, quit. Send stores one row in table Sended and starts one frmToSend per recipient
// in a free send slot; the senders report through the main window's SenderReports and outlive this
// window, which closes right after the last of them is started.
//
// Made afresh each time it is shown, by the main window (compose, reply, reply to all), and deleted
// when it closes (WA_DeleteOnClose). The module state, the control loader, the reports, the LAN
// source and the main window all outlive it. It keeps no state beyond its controls.
//
// Recipients line: names each followed by ";"; the send goes once to each station it names
// (RecipientsLine: the piece after the last ";" too, blanks trimmed, repeats in any case skipped). A
// message holding "#Separator#" in any field is refused before anything is stored. Favourites live in
// table Users of "Users.dbo" (opened for each use, so that a file deleted meanwhile comes back from its
// template).
//
// Toolbar, by button: 1 send (a beep unless the line and the plain text both hold something), 3 the
// network browser (hook), 5 cut, 6 copy, 7 paste (clipboard commands 1, 2, 3), 9 emoticon panel
// up or down, 19 close. Colour buttons: 1 red 255, 2 blue &HDF0000, 3 green 65280, 4 black 0 for the
// text, 8 yellow 65535 behind it. Emoticons: "System/emo/" (button 0) and "System/emo.32/" (button 1,
// loaded at start) below the program folder, 64 cells from the scroll bar's value on.
//
// Geometry in twips as designed (15 a pixel): the panel's top edge is 6120 when hidden and 3015 when
// shown; a slide moves it one twip at a time and lets the event loop run after each step.

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>

class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QScrollBar;

namespace vellumo {

class AlphaImageCell;
class ControlLoader;
class LanServerSource;
class PushButton;
class RichTextButtonBar;
class RichTextEditor;
class SenderReports;
class TeskToolbar;
class modVellumo;

class frmSendMessage : public QWidget {
    Q_OBJECT
public:
    static constexpr int CellCount = 64;
    static constexpr int PanelShownTop = 3015;  // twips
    static constexpr int PanelHiddenTop = 6120; // twips
    static constexpr int TwipsPerPixel = 15;

    // mainWindow: hidden after a send when IconizeAfterSend is on (may be null).
    frmSendMessage(modVellumo& state, ControlLoader& loader, SenderReports& reports, LanServerSource& lan,
                   QWidget* mainWindow, QWidget* parent = nullptr);
    ~frmSendMessage() override;

    // What the main window's toolbar does with it. Compose: show it. Reply and reply to all: the
    // recipients line, then the quote of the message being answered, then show it with the focus in
    // the editor.
    void ShowCompose();
    void ShowReply(const QString& recipients, const QString& quotedPlainText);
    void SetRecipients(const QString& line);
    // Writes at the caret: two line breaks, then in colour &HC00000 and italic a line break, 57
    // underscores, a line break and the quoted text; then the format goes back to what it
    // was and the caret stays where it was, above the quote, for the answer.
    void WriteReplyQuote(const QString& quotedPlainText);

    // Hooks of the windows written elsewhere: the network browser (toolbar button 3; the caller sets
    // OpenedFromCompose and shows it modal) and the peer scan (source button 3, modal).
    std::function<void()> ShowNetworkBrowser;
    std::function<void()> ShowPeerScan;
    // The beep of refused sends and empty favourites; QApplication::beep unless replaced (tests).
    std::function<void()> Beep;

    // Handlers and operations, public for the main window and the tests.
    void TeskToolbar1_ButtonClick(int Index, const QString& Key);
    void ChoixCouleur_Click(int Index);
    void Emoticones_Click(int Index);
    void VScroll1_Change();
    void InsertEmoticon(int Index);
    void PreviewEmoticon(int Index);
    void ClearEmoticonPreview(int Index);
    void ShowEmoticonPanel();
    void HideEmoticonPanel();
    void Frame1_HidePanel();
    void EditorHidePanel();
    void EditorHidePanel2();

    void Command1_Click(int Index);
    void btnOk_Click();
    void ListView1_Click();
    void ListView1_DblClick();
    void ListView1_ItemClick(QListWidgetItem* Item);
    void ListView1_MouseDown(int Button);
    void ListView1_MouseUp();
    void TransferCheckedRecipients();
    void cmdErase_Click();
    void Text1_ShowRecipientSource();
    // Refused at once, before anything is stored or sent, when the body would pass the receiving
    // server's cap (GossClient::MaxBodyBytes): box text 101 (DefaultTooLargeText, %1 the body and %2
    // the cap in MB), title text 31, exclamation icon; the window stays open.
    void SendToRecipients();
    static QString DefaultTooLargeText();
    // Whether a paste adding addedRtfBytes of RTF keeps the message within MaxBodyBytes; when not, box
    // text 125 (%1 the body it would make and %2 the cap in MB), title text 31, exclamation icon, and
    // the editor keeps the paste out.
    bool PasteFits(qint64 addedRtfBytes);
    // The largest body the receiving stations take: their server's cap (tests make it smaller).
    static qint64 ReceiverBodyCap();
    qint64 MaxBodyBytes = ReceiverBodyCap();
    void AddCorrespondent(const QString& Name);
    void DeleteCorrespondent(const QString& Name);

    // The controls, for the main window and the tests.
    QLineEdit& text1() { return *Text1; }
    RichTextEditor& editor() { return *TXTextControl1; }
    TeskToolbar& toolbar() { return *TeskToolbar1; }
    QListWidget& listView() { return *ListView1; }
    PushButton& command1(int index) { return *Command1.at(static_cast<std::size_t>(index)); }
    PushButton& okButton() { return *btnOk; }
    QFrame& panel() { return *Frame1; }
    AlphaImageCell& cell(int index) { return *AlphaImgCtl1.at(static_cast<std::size_t>(index)); }
    AlphaImageCell& preview() { return *AlphaImgCtl2; }
    QScrollBar& scrollBar() { return *VScroll1; }
    int panelTop() const { return panelTop_; }
    bool savedMode() const { return SavedMode; }
    // The folder File1 lists, and its files.
    const QString& emoticonFolder() const { return file1Path_; }
    const QStringList& emoticonFiles() const { return file1Files_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Form_Load();
    void fitRecipientsLabel();
    void buildWindow();
    void buildToolbar();
    void buildPanel();
    void pointFile1(const QString& folder);
    void fitScrollBar();
    void setPanelTop(int twips);
    bool slide(int from, int to);
    void setSourceButton1Visible(bool visible);
    void beep();
    QString text(std::int16_t id, const QString& defaultText) const;

    modVellumo& state_;
    ControlLoader& loader_;
    SenderReports& reports_;
    LanServerSource& lan_;
    QPointer<QWidget> mainWindow_;

    QLabel* Label1 = nullptr;
    QLineEdit* Text1 = nullptr;
    std::array<PushButton*, 4> Command1{};
    PushButton* cmdErase = nullptr;
    QListWidget* ListView1 = nullptr;
    PushButton* btnOk = nullptr;
    RichTextEditor* TXTextControl1 = nullptr;
    RichTextButtonBar* TXButtonBar1 = nullptr;
    std::array<PushButton*, 5> ChoixCouleur{};
    TeskToolbar* TeskToolbar1 = nullptr;
    QFrame* Frame1 = nullptr;
    std::array<AlphaImageCell*, CellCount> AlphaImgCtl1{};
    AlphaImageCell* AlphaImgCtl2 = nullptr;
    QScrollBar* VScroll1 = nullptr;
    std::array<PushButton*, 2> Emoticones{};

    QString file1Path_;
    QStringList file1Files_;
    int panelTop_ = PanelHiddenTop;
    int slideGeneration_ = 0;
    std::int16_t MouseButton = 0;
    bool SavedMode = false;
    bool sending_ = false;
};

} // namespace vellumo
