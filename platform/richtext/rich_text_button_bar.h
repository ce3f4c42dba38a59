#pragma once
// RichTextButtonBar: the formatting bar of a rich-text editor: font family, size, bold, italic,
// underline and paragraph alignment. Attached to one editor, it applies its buttons to the editor's
// selection and follows the format at the editor's caret. Owned by its window; the editor it is
// attached to must outlive it or be detached (attach(nullptr)).

#include <QPointer>
#include <QToolBar>

class QAction;
class QComboBox;

namespace vellumo {

class RichTextEditor;

class RichTextButtonBar : public QToolBar {
    Q_OBJECT
public:
    explicit RichTextButtonBar(QWidget* parent = nullptr);

    void attach(RichTextEditor* editor);
    RichTextEditor* editor() const { return editor_; }

    QAction* boldAction() const { return bold_; }
    QAction* italicAction() const { return italic_; }
    QAction* underlineAction() const { return underline_; }
    QAction* alignAction(Qt::Alignment align) const;
    QComboBox* familyBox() const { return family_; }
    QComboBox* sizeBox() const { return size_; }

private:
    void follow();
    void applyFamily(const QString& family);
    void applySize(const QString& size);
    void applyAlignment(Qt::Alignment align);
    void giveFocusBack(QComboBox* list);

    QPointer<RichTextEditor> editor_;
    QComboBox* family_ = nullptr;
    QComboBox* size_ = nullptr;
    QAction* bold_ = nullptr;
    QAction* italic_ = nullptr;
    QAction* underline_ = nullptr;
    QAction* left_ = nullptr;
    QAction* centre_ = nullptr;
    QAction* right_ = nullptr;
    bool following_ = false;
};

} // namespace vellumo
