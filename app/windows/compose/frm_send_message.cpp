// frmSendMessage: the window, its toolbar, the editor's tools and the emoticon panel.
#include "app/windows/compose/frm_send_message.h"

#include "app/core/mod_vellumo.h"
#include "app/store/message_store.h"
#include "app/ui/push_button.h"
#include "app/ui/window_translation.h"
#include "app/windows/compose/compose_toolbar.h"
#include "platform/drawing/system_colors.h"
#include "platform/richtext/rich_text_button_bar.h"
#include "platform/richtext/rich_text_editor.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/ui_hooks.h"
#include "platform/widgets/alpha_image_cell.h"
#include "platform/widgets/tesk_toolbar.h"
#include "platform/widgets/top_most.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QTextCursor>

#include <algorithm>

namespace vellumo {

namespace {

constexpr int px(int twips) {
    return twips / frmSendMessage::TwipsPerPixel;
}

// The window's client area as designed: 7500 by 6120 twips.
constexpr int kWidth = 500;
constexpr int kHeight = 408;

constexpr DesignedButton kButtons[ComposeToolbar::ButtonCount] = {
    {"NewMail", "mail-send", "Envoyer...", false},               // 1
    {nullptr, nullptr, nullptr, false},                          // 2
    {"Param", "network-workgroup", "Explorer le réseau", false}, // 3
    {nullptr, nullptr, nullptr, false},                          // 4
    {"Clipboard Cut", "edit-cut", "Couper", false},              // 5
    {"Clipboard Cut", "edit-copy", "Copier", false},             // 6
    {"Clipboard Paste", "edit-paste", "Coller", false},          // 7
    {nullptr, nullptr, nullptr, false},                          // 8
    {"Emoticone", "face-smile", "Emoticones...", false},         // 9
    {nullptr, nullptr, nullptr, false},                          // 10
    {nullptr, nullptr, nullptr, false},                          // 11
    {nullptr, nullptr, nullptr, false},                          // 12
    {nullptr, nullptr, nullptr, false},                          // 13
    {nullptr, nullptr, nullptr, false},                          // 14
    {nullptr, nullptr, nullptr, false},                          // 15
    {nullptr, nullptr, nullptr, false},                          // 16
    {nullptr, nullptr, nullptr, false},                          // 17
    {nullptr, nullptr, nullptr, false},                          // 18
    {"Quit", "window-close", "Quitter", false},                  // 19
};

// The colour buttons: index, tooltip, colour (0x00BBGGRR), whether it colours the background.
struct ColourButton {
    int index;
    const char* toolTip;
    std::int32_t colour;
    bool background;
};
constexpr ColourButton kColours[5] = {
    {1, "Mettre le texte en rouge", 255, false},  {2, "Mettre le texte en bleu ", 0xDF0000, false},
    {3, "Mettre le texte en vert", 65280, false}, {4, "Mettre le texte en noir", 0, false},
    {8, "Surligner le texte", 65535, true},
};

PushButton* placeButton(ControlLoader& loader, const QString& name, int index, const QString& caption,
                        const QString& toolTip, const QRect& geometry, QWidget* parent) {
    auto* button = new PushButton(loader, name, caption, parent);
    if (index >= 0)
        modLocalisation::SetControlIndex(button, index);
    button->setToolTip(toolTip);
    button->setGeometry(geometry);
    return button;
}

} // namespace

frmSendMessage::frmSendMessage(modVellumo& state, ControlLoader& loader, SenderReports& reports, LanServerSource& lan,
                               QWidget* mainWindow, QWidget* parent)
    : QWidget(parent), state_(state), loader_(loader), reports_(reports), lan_(lan), mainWindow_(mainWindow) {
    setObjectName(QStringLiteral("frmSendMessage"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Vellumo - Envoyer un message"));
    setWindowIcon(mainWindow ? mainWindow->windowIcon() : QIcon());
    buildWindow();
    Form_Load();
}

frmSendMessage::~frmSendMessage() = default;

QString frmSendMessage::text(std::int16_t id, const QString& defaultText) const {
    return state_.GetString(id, defaultText);
}

void frmSendMessage::beep() {
    if (Beep)
        Beep();
    else
        QApplication::beep();
}

void frmSendMessage::buildWindow() {
    setFixedSize(kWidth, kHeight);

    TeskToolbar1 = new TeskToolbar(this);
    TeskToolbar1->setObjectName(QStringLiteral("TeskToolbar1"));
    TeskToolbar1->setGeometry(0, 0, kWidth, 30);
    buildToolbar();

    Label1 = new QLabel(QStringLiteral("Destinataires :"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(6, 36, 84, 22);
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(90, 36, 290, 22);
    Text1->installEventFilter(this);

    const QString search = QStringLiteral("Rechercher un destinataire");
    Command1[0] = placeButton(loader_, QStringLiteral("Command1"), 0, QStringLiteral("..."), search,
                              QRect(385, 36, 26, 22), this);
    Command1[1] = placeButton(loader_, QStringLiteral("Command1"), 1, QStringLiteral("..."), search,
                              QRect(384, 36, 26, 22), this);
    Command1[2] = placeButton(loader_, QStringLiteral("Command1"), 2, QStringLiteral("*"),
                              QStringLiteral("Correspondants favoris"), QRect(412, 36, 26, 22), this);
    Command1[3] =
        placeButton(loader_, QStringLiteral("Command1"), 3, QStringLiteral("@"),
                    QString::fromUtf8("Rechercher les utilisateurs d'Vellumo connectés"), QRect(440, 36, 26, 22), this);
    for (int i = 0; i < 4; ++i)
        Command1[static_cast<std::size_t>(i)]->setClick([this, i] { Command1_Click(i); });
    cmdErase = placeButton(loader_, QStringLiteral("cmdErase"), -1, QStringLiteral("X"),
                           QStringLiteral("Effacer le champ \"destinataires\""), QRect(468, 36, 26, 22), this);
    cmdErase->setClick([this] { cmdErase_Click(); });
    setSourceButton1Visible(true);

    TXButtonBar1 = new RichTextButtonBar(this);
    TXButtonBar1->setObjectName(QStringLiteral("TXButtonBar1"));
    TXButtonBar1->setGeometry(2, 62, 368, 28);
    for (std::size_t i = 0; i < std::size(kColours); ++i) {
        const ColourButton& c = kColours[i];
        PushButton* button =
            placeButton(loader_, QStringLiteral("ChoixCouleur"), c.index, QStringLiteral("A"),
                        QString::fromUtf8(c.toolTip), QRect(372 + static_cast<int>(i) * 25, 64, 23, 24), this);
        // The button shows its colour in its caption (the highlight one behind it), on the library's
        // button as on the stand-in.
        button->setColours(c.background ? c.colour : syscolor::ButtonFace,
                           c.background ? syscolor::ButtonText : c.colour);
        const int index = c.index;
        button->setClick([this, index] { ChoixCouleur_Click(index); });
        ChoixCouleur[i] = button;
    }

    TXTextControl1 = new RichTextEditor(this);
    TXTextControl1->setObjectName(QStringLiteral("TXTextControl1"));
    QFont arial(QStringLiteral("Arial"));
    arial.setPointSize(10);
    TXTextControl1->setFont(arial);
    TXTextControl1->document()->setDefaultFont(arial);
    TXTextControl1->setGeometry(4, 94, kWidth - 8, kHeight - 98);
    connect(TXTextControl1, &RichTextEditor::gotFocus, this, [this] { EditorHidePanel(); });
    // Tab goes on to the next control, as in a dialog; Ctrl+Tab types a tab (eventFilter).
    TXTextControl1->setTabChangesFocus(true);
    TXTextControl1->installEventFilter(this);
    TXTextControl1->setPasteCheck([this](qint64 added) { return PasteFits(added); });
    connect(TXTextControl1, &RichTextEditor::clicked, this, [this] { EditorHidePanel2(); });

    // The list of a recipient source lies over the editor while it is open.
    ListView1 = new QListWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setGeometry(90, 58, 290, 170);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->installEventFilter(this);
    ListView1->viewport()->installEventFilter(this);
    ListView1->hide();
    btnOk = placeButton(loader_, QStringLiteral("btnOk"), -1, QStringLiteral("OK"), QString(), QRect(320, 230, 60, 24),
                        this);
    btnOk->setClick([this] { btnOk_Click(); });
    btnOk->hide();

    buildPanel();

    // The tab order: the recipients line and its buttons, the formatting bar's lists and the colours, the
    // editor, then the toolbar from "Envoyer..." on (its buttons, made first, are moved after the
    // editor), so that the window opens with the focus on the recipients line and a Tab out of the
    // text reaches the send button.
    QWidget* previous = TXTextControl1;
    for (int i = 1; i <= TeskToolbar1->buttonCount(); ++i) {
        if (TeskToolbar1->isSeparator(i))
            continue;
        if (QWidget* button = TeskToolbar1->widgetForAction(TeskToolbar1->buttonAction(i))) {
            setTabOrder(previous, button);
            previous = button;
        }
    }
}

// The window is designed 500 by 408 pixels; on a smaller screen it is made lower (FitOnScreen): the
// editor then ends at the window's bottom, and the emoticon panel slides up from it.
void frmSendMessage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!TXTextControl1)
        return;
    TXTextControl1->setGeometry(4, 94, width() - 8, std::max(40, height() - 98));
    setPanelTop(panelTop_);
}

void frmSendMessage::buildToolbar() {
    TeskToolbar1->addDesignedButtons(kButtons);
    TeskToolbar1->setButtonClickHandler(
        [this](const TeskToolbar::Button& button) { TeskToolbar1_ButtonClick(button.index, button.key); });
}

void frmSendMessage::buildPanel() {
    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::Panel);
    Frame1->setFrameShadow(QFrame::Raised);
    Frame1->setAutoFillBackground(true);
    Frame1->setGeometry(0, px(PanelShownTop), px(7500), px(3120));
    Frame1->installEventFilter(this);

    // 64 cells in 4 rows of 16, the scroll bar beside them, the preview and the two folder buttons below.
    constexpr int cell = 30;
    for (int i = 0; i < CellCount; ++i) {
        auto* c = new AlphaImageCell(Frame1);
        c->setObjectName(QStringLiteral("AlphaImgCtl1"));
        modLocalisation::SetControlIndex(c, i);
        c->setGeometry(2 + (i % 16) * cell, 2 + (i / 16) * cell, cell, cell);
        connect(c, &AlphaImageCell::entered, this, [this, i] { PreviewEmoticon(i); });
        connect(c, &AlphaImageCell::left, this, [this, i] { ClearEmoticonPreview(i); });
        connect(c, &AlphaImageCell::clicked, this, [this, i] { InsertEmoticon(i); });
        AlphaImgCtl1[static_cast<std::size_t>(i)] = c;
    }
    VScroll1 = new QScrollBar(Qt::Vertical, Frame1);
    VScroll1->setObjectName(QStringLiteral("VScroll1"));
    VScroll1->setGeometry(2 + 16 * cell, 2, 16, 4 * cell);
    VScroll1->setPageStep(16);
    connect(VScroll1, &QScrollBar::valueChanged, this, [this] { VScroll1_Change(); });

    AlphaImgCtl2 = new AlphaImageCell(Frame1);
    AlphaImgCtl2->setObjectName(QStringLiteral("AlphaImgCtl2"));
    AlphaImgCtl2->setGeometry(8, 4 * cell + 8, 72, 72);

    Emoticones[0] = placeButton(loader_, QStringLiteral("Emoticones"), 0, QStringLiteral(":)"),
                                QStringLiteral("Petites émoticônes"), QRect(96, 4 * cell + 30, 40, 26), Frame1);
    Emoticones[1] = placeButton(loader_, QStringLiteral("Emoticones"), 1, QStringLiteral(":-)"),
                                QStringLiteral("Grandes émoticônes"), QRect(142, 4 * cell + 30, 40, 26), Frame1);
    Emoticones[0]->setClick([this] { Emoticones_Click(0); });
    Emoticones[1]->setClick([this] { Emoticones_Click(1); });
}

// The recipients label was designed for a narrower font than the desktop's: its caption, in any
// language, is shown whole, and the recipients line, which follows it, gives way on its left.
void frmSendMessage::fitRecipientsLabel() {
    const int needed = Label1->fontMetrics().horizontalAdvance(Label1->text().remove(u'&')) + 2;
    if (needed <= Label1->width())
        return;
    const int right = Text1->geometry().right();
    Label1->resize(needed, Label1->height());
    const int left = Label1->geometry().right() + 2;
    Text1->setGeometry(left, Text1->y(), right - left + 1, Text1->height());
}

void frmSendMessage::Form_Load() {
    // 1. The language.
    if (!state_.Settings.CurrentLanguage.isEmpty())
        ApplyLanguage(state_.Localisation, this, state_.Settings.CurrentLanguage);
    fitRecipientsLabel();
    // 2. The cells start empty.
    for (AlphaImageCell* c : AlphaImgCtl1) {
        c->setPicture(QImage());
        c->Tag.clear();
    }
    // 3. The panel hidden, below the window's edge.
    Frame1->hide();
    setPanelTop(PanelHiddenTop);
    // 4. The large emoticons.
    pointFile1(state_.ProgramFile(QStringLiteral("System/emo.32")));
    fitScrollBar();
    VScroll1_Change();
    // 5. The favourites' file, from its template when missing (a failure leaves the favourites empty).
    try {
        MessageStore::ensureFile(state_.DataFile(QString::fromLatin1(MessageStore::UsersDatabase)),
                                 state_.ProgramFile(QString::fromLatin1(MessageStore::UsersTemplate)),
                                 MessageStore::Kind::Users);
    } catch (const RuntimeError& e) {
        ui().logEvent(EventLogType::Warning, QStringLiteral("Vellumo"), e.description());
    }
    // 6. Topmost when asked for: the property only, the window being shown (with the focus) by whoever
    // opens it.
    if (state_.Settings.IsAlwaysOnTop)
        SetStaysOnTop(this, true);
    // 7. The two databases are opened when used. 8. The button bar on the editor.
    TXButtonBar1->attach(TXTextControl1);
}

void frmSendMessage::ShowCompose() {
    // The user asked for the window: it comes up in front, with the focus.
    if (state_.Settings.IsAlwaysOnTop)
        SetStaysOnTop(this, true);
    show();
    raise();
    activateWindow();
}

void frmSendMessage::SetRecipients(const QString& line) {
    Text1->setText(line);
}

void frmSendMessage::WriteReplyQuote(const QString& quotedPlainText) {
    QTextCursor cursor = TXTextControl1->textCursor();
    const int caret = cursor.position();
    const QTextCharFormat before = cursor.charFormat();
    cursor.insertText(QStringLiteral("\n\n"), before);
    QTextCharFormat quote = before;
    quote.setForeground(SystemColors::toQColor(0xC00000));
    quote.setFontItalic(true);
    // The separator is a line of its own: the quoted text starts below it, never on it.
    cursor.insertText(QStringLiteral("\n") + QString(57, u'_') + QStringLiteral("\n") + quotedPlainText, quote);
    cursor.setPosition(caret);
    cursor.setCharFormat(before);
    TXTextControl1->setTextCursor(cursor);
    TXTextControl1->setCurrentCharFormat(before);
}

void frmSendMessage::ShowReply(const QString& recipients, const QString& quotedPlainText) {
    SetRecipients(recipients);
    WriteReplyQuote(quotedPlainText);
    ShowCompose();
    TXTextControl1->setFocus();
}

// ---- toolbar and editor tools ---------------------------------------------------------------------

void frmSendMessage::TeskToolbar1_ButtonClick(int Index, const QString& /*Key*/) {
    switch (Index) {
    case ComposeToolbar::Send:
        if (!Text1->text().isEmpty() && !TXTextControl1->plainText().isEmpty())
            SendToRecipients();
        else
            beep();
        break;
    case ComposeToolbar::NetworkBrowser:
        if (ShowNetworkBrowser)
            ShowNetworkBrowser();
        break;
    case ComposeToolbar::Cut:
        TXTextControl1->clipboardCommand(1);
        break;
    case ComposeToolbar::Copy:
        TXTextControl1->clipboardCommand(2);
        break;
    case ComposeToolbar::Paste:
        TXTextControl1->clipboardCommand(3);
        break;
    case ComposeToolbar::Emoticons:
        if (Frame1->isVisible())
            HideEmoticonPanel();
        else
            ShowEmoticonPanel();
        break;
    case ComposeToolbar::Close:
        close();
        break;
    default:
        break;
    }
}

void frmSendMessage::ChoixCouleur_Click(int Index) {
    for (const ColourButton& c : kColours) {
        if (c.index != Index)
            continue;
        const QColor colour = SystemColors::toQColor(c.colour);
        if (c.background)
            TXTextControl1->setSelectionBackColor(colour);
        else
            TXTextControl1->setSelectionTextColor(colour);
        // Back to the text, as the formatting bar does: what is typed next takes the colour.
        TXTextControl1->setFocus(Qt::OtherFocusReason);
        return;
    }
}

// ---- emoticons ------------------------------------------------------------------------------------

void frmSendMessage::pointFile1(const QString& folder) {
    file1Path_ = folder;
    // File1: the "*.png" files of the folder, by name, the pattern without regard to case.
    file1Files_ = QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
}

void frmSendMessage::Emoticones_Click(int Index) {
    if (Index == 0)
        pointFile1(state_.ProgramFile(QStringLiteral("System/emo")));
    else if (Index == 1)
        pointFile1(state_.ProgramFile(QStringLiteral("System/emo.32")));
    else
        return;
    fitScrollBar();
    VScroll1->blockSignals(true);
    VScroll1->setValue(0);
    VScroll1->blockSignals(false);
    VScroll1_Change();
}

// The scroll bar runs from 0 to the last file. An empty folder has nothing to scroll: the bar stays at
// 0 and is off (a maximum of -1 would pull the minimum down with it, and the next folder's cells would
// start one file early).
void frmSendMessage::fitScrollBar() {
    const int last = static_cast<int>(file1Files_.size()) - 1;
    VScroll1->blockSignals(true);
    VScroll1->setRange(0, qMax(0, last));
    VScroll1->setEnabled(last >= 0);
    VScroll1->blockSignals(false);
}

void frmSendMessage::VScroll1_Change() {
    const int v = VScroll1->value();
    const int n = static_cast<int>(file1Files_.size());
    for (int i = 0; i < CellCount; ++i) {
        AlphaImageCell* c = AlphaImgCtl1[static_cast<std::size_t>(i)];
        if (v + i > n - 1 || v + i < 0) {
            c->setPicture(QImage());
            c->Tag.clear();
            continue;
        }
        const QString name = file1Files_[v + i];
        c->setPicture(AlphaImageCell::LoadPicture(QDir(file1Path_).filePath(name)));
        c->Tag = name;
    }
}

void frmSendMessage::PreviewEmoticon(int Index) {
    AlphaImageCell* c = AlphaImgCtl1.at(static_cast<std::size_t>(Index));
    c->setHighlight(true);
    AlphaImgCtl2->setPicture(c->picture());
}

void frmSendMessage::ClearEmoticonPreview(int Index) {
    AlphaImgCtl1.at(static_cast<std::size_t>(Index))->setHighlight(false);
    AlphaImgCtl2->setPicture(QImage());
}

void frmSendMessage::InsertEmoticon(int Index) {
    const AlphaImageCell* c = AlphaImgCtl1.at(static_cast<std::size_t>(Index));
    // An empty cell names no picture: nothing is inserted.
    if (!c->Tag.isEmpty())
        TXTextControl1->insertPicture(QDir(file1Path_).filePath(c->Tag), 100, 100);
    QPointer<frmSendMessage> self(this);
    HideEmoticonPanel();
    if (self)
        TXTextControl1->setFocus();
}

void frmSendMessage::setPanelTop(int twips) {
    panelTop_ = twips;
    // Its places are the design's, from the window's bottom edge.
    Frame1->move(0, px(twips) - (kHeight - height()));
}

// Moves the panel's top edge one twip at a time, letting the event loop run after each step. A newer
// slide, or the window going, ends this one; false then.
bool frmSendMessage::slide(int from, int to) {
    const int generation = ++slideGeneration_;
    QPointer<frmSendMessage> self(this);
    const int step = to < from ? -1 : 1;
    for (int top = from; top != to + step; top += step) {
        setPanelTop(top);
        ui().doEvents();
        if (!self || slideGeneration_ != generation)
            return false;
    }
    return true;
}

void frmSendMessage::ShowEmoticonPanel() {
    setPanelTop(PanelHiddenTop);
    Frame1->show();
    Frame1->raise();
    slide(PanelHiddenTop, PanelShownTop);
}

void frmSendMessage::HideEmoticonPanel() {
    if (!Frame1->isVisible())
        return;
    if (slide(panelTop_, PanelHiddenTop))
        Frame1->hide();
}

void frmSendMessage::Frame1_HidePanel() {
    HideEmoticonPanel();
}
void frmSendMessage::EditorHidePanel() {
    HideEmoticonPanel();
}
void frmSendMessage::EditorHidePanel2() {
    HideEmoticonPanel();
}

bool frmSendMessage::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (TXTextControl1 && watched == TXTextControl1 && type == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::ControlModifier) {
            TXTextControl1->textCursor().insertText(QStringLiteral("\t"));
            return true;
        }
        return false;
    }
    if (Frame1 && watched == Frame1 && type == QEvent::MouseButtonRelease) {
        Frame1_HidePanel();
        return false;
    }
    if (Text1 && watched == Text1 && type == QEvent::MouseButtonDblClick) {
        Text1_ShowRecipientSource();
        return true;
    }
    if (ListView1 && watched == ListView1 && type == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // A box or a menu over the list takes the focus for a moment only.
        if (ListView1->isVisible() && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            TransferCheckedRecipients();
        return false;
    }
    if (ListView1 && watched == ListView1->viewport()) {
        switch (type) {
        case QEvent::MouseButtonPress: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const int button = mouse->button() == Qt::LeftButton ? 1 : mouse->button() == Qt::RightButton ? 2 : 4;
            ListView1_MouseDown(button);
            QListWidgetItem* item = ListView1->itemAt(mouse->position().toPoint());
            if (item) {
                ListView1->setCurrentItem(item);
                ListView1_ItemClick(item);
            }
            return true;
        }
        case QEvent::MouseButtonRelease: {
            const bool left = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
            ListView1_MouseUp();
            if (left)
                ListView1_Click();
            return true;
        }
        case QEvent::MouseButtonDblClick:
            ListView1_DblClick();
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace vellumo
