#include "platform/richtext/rich_text_button_bar.h"

#include "platform/richtext/rich_text_editor.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>

namespace vellumo {

namespace {
const char* const kFamilies[] = {"Arial", "Times New Roman", "Courier New", "Verdana", "Tahoma"};
const int kSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 24, 28, 36};

// Each button is named, so that the window's language file reaches its caption and tooltip.
QAction* toggle(QToolBar* bar, const char* name, const QString& text, const QString& tip) {
    QAction* action = bar->addAction(text);
    action->setObjectName(QString::fromLatin1(name));
    action->setToolTip(tip);
    action->setCheckable(true);
    return action;
}
} // namespace

RichTextButtonBar::RichTextButtonBar(QWidget* parent) : QToolBar(parent) {
    setIconSize(QSize(16, 16));
    family_ = new QComboBox(this);
    family_->setObjectName(QStringLiteral("qt_family"));
    for (const char* f : kFamilies)
        family_->addItem(QString::fromLatin1(f));
    family_->setFixedWidth(104);
    addWidget(family_);
    size_ = new QComboBox(this);
    size_->setObjectName(QStringLiteral("qt_size"));
    size_->setEditable(true);
    for (int s : kSizes)
        size_->addItem(QString::number(s));
    size_->setFixedWidth(48);
    addWidget(size_);
    addSeparator();

    bold_ = toggle(this, "TXButtonBold", QStringLiteral("G"), QStringLiteral("Gras"));
    QFont f = font();
    f.setBold(true);
    bold_->setFont(f);
    italic_ = toggle(this, "TXButtonItalic", QStringLiteral("I"), QStringLiteral("Italique"));
    f = font();
    f.setItalic(true);
    italic_->setFont(f);
    underline_ = toggle(this, "TXButtonUnderline", QStringLiteral("S"), QStringLiteral("Souligné"));
    f = font();
    f.setUnderline(true);
    underline_->setFont(f);
    addSeparator();
    auto* group = new QActionGroup(this);
    left_ = toggle(this, "TXButtonLeft", QStringLiteral("[<"), QStringLiteral("Aligner à gauche"));
    centre_ = toggle(this, "TXButtonCenter", QStringLiteral("[=]"), QStringLiteral("Centrer"));
    right_ = toggle(this, "TXButtonRight", QStringLiteral(">]"), QStringLiteral("Aligner à droite"));
    for (QAction* a : {left_, centre_, right_})
        group->addAction(a);
    left_->setChecked(true);

    connect(bold_, &QAction::triggered, this, [this](bool on) {
        if (!editor_ || following_)
            return;
        QTextCharFormat fmt;
        fmt.setFontWeight(on ? QFont::Bold : QFont::Normal);
        editor_->mergeCurrentCharFormat(fmt);
    });
    connect(italic_, &QAction::triggered, this, [this](bool on) {
        if (!editor_ || following_)
            return;
        QTextCharFormat fmt;
        fmt.setFontItalic(on);
        editor_->mergeCurrentCharFormat(fmt);
    });
    connect(underline_, &QAction::triggered, this, [this](bool on) {
        if (!editor_ || following_)
            return;
        QTextCharFormat fmt;
        fmt.setFontUnderline(on);
        editor_->mergeCurrentCharFormat(fmt);
    });
    connect(left_, &QAction::triggered, this, [this] { applyAlignment(Qt::AlignLeft); });
    connect(centre_, &QAction::triggered, this, [this] { applyAlignment(Qt::AlignHCenter); });
    connect(right_, &QAction::triggered, this, [this] { applyAlignment(Qt::AlignRight); });
    connect(family_, &QComboBox::textActivated, this, &RichTextButtonBar::applyFamily);
    connect(size_, &QComboBox::textActivated, this, &RichTextButtonBar::applySize);
}

QAction* RichTextButtonBar::alignAction(Qt::Alignment align) const {
    if (align & Qt::AlignHCenter)
        return centre_;
    if (align & Qt::AlignRight)
        return right_;
    return left_;
}

void RichTextButtonBar::attach(RichTextEditor* editor) {
    if (editor_)
        disconnect(editor_, nullptr, this, nullptr);
    editor_ = editor;
    if (!editor_)
        return;
    connect(editor_, &QTextEdit::cursorPositionChanged, this, &RichTextButtonBar::follow);
    connect(editor_, &QTextEdit::currentCharFormatChanged, this, &RichTextButtonBar::follow);
    follow();
}

void RichTextButtonBar::follow() {
    if (!editor_)
        return;
    following_ = true;
    const QTextCharFormat fmt = editor_->currentCharFormat();
    const QFont def = editor_->document()->defaultFont();
    bold_->setChecked(fmt.hasProperty(QTextFormat::FontWeight) ? fmt.fontWeight() >= QFont::DemiBold : def.bold());
    italic_->setChecked(fmt.fontItalic());
    underline_->setChecked(fmt.fontUnderline());
    const QStringList families = fmt.fontFamilies().toStringList();
    family_->setCurrentText(families.isEmpty() ? def.family() : families.first());
    const double points = fmt.fontPointSize() > 0 ? fmt.fontPointSize() : def.pointSizeF();
    size_->setCurrentText(QString::number(points));
    alignAction(editor_->alignment())->setChecked(true);
    following_ = false;
}

// A value chosen in a list (or typed and confirmed) sends the user back to the text. A list left by
// Tab confirms its text too: the focus has gone on to the next control then, and stays there.
void RichTextButtonBar::giveFocusBack(QComboBox* list) {
    if (editor_ && list && list->hasFocus())
        editor_->setFocus(Qt::OtherFocusReason);
}

void RichTextButtonBar::applyFamily(const QString& family) {
    if (!editor_ || following_ || family.isEmpty())
        return;
    QTextCharFormat fmt;
    fmt.setFontFamilies(QStringList{family});
    editor_->mergeCurrentCharFormat(fmt);
    giveFocusBack(family_);
}

void RichTextButtonBar::applySize(const QString& size) {
    bool ok = false;
    const double points = size.toDouble(&ok);
    if (!editor_ || following_ || !ok || points < 1 || points > 1638)
        return;
    QTextCharFormat fmt;
    fmt.setFontPointSize(points);
    editor_->mergeCurrentCharFormat(fmt);
    giveFocusBack(size_);
}

void RichTextButtonBar::applyAlignment(Qt::Alignment align) {
    if (!editor_ || following_)
        return;
    editor_->setAlignment(align);
}

} // namespace vellumo
