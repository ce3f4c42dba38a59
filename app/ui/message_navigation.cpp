#include "app/ui/message_navigation.h"

#include "app/core/mod_localisation.h"
#include "app/core/mod_vellumo.h"
#include "app/core/text_ids.h"
#include "platform/drawing/system_colors.h"
#include "platform/richtext/rich_text_viewer.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/ui_hooks.h"
#include "platform/store/recordset.h"
#include "platform/widgets/tesk_toolbar.h"

#include <QDate>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include <optional>

namespace vellumo {

void MessageNavigation::setButtons(bool first, bool previous, bool next, bool last, bool del) {
    toolbar_.setButtonEnabled(NavigationButton::Delete, del);
    toolbar_.setButtonEnabled(NavigationButton::Last, last);
    toolbar_.setButtonEnabled(NavigationButton::Next, next);
    toolbar_.setButtonEnabled(NavigationButton::Previous, previous);
    toolbar_.setButtonEnabled(NavigationButton::First, first);
}

void MessageNavigation::moveTo(void (Recordset::*move)()) {
    if (!recordset_)
        return;
    try {
        (recordset_->*move)();
    } catch (const RuntimeError&) {
        // Moving before the first or after the last row is corrected by the next reposition.
    }
}

bool MessageNavigation::Reposition() {
    if (!recordset_ || recordset_->recordCount() == 0) {
        setButtons(false, false, false, false, false);
        return false;
    }
    if (recordset_->eof()) {
        AtEnd = true;
        AtStart = false;
        moveTo(&Recordset::moveLast); // repositions again
        return false;
    }
    if (recordset_->bof()) {
        AtEnd = false;
        AtStart = true;
        moveTo(&Recordset::moveFirst);
        return false;
    }
    if (LoneRowStays && recordset_->recordCount() == 1)
        setButtons(false, false, false, false, true);
    else if (AtEnd)
        setButtons(true, true, false, false, true);
    else if (AtStart)
        setButtons(false, false, true, true, true);
    else
        setButtons(true, true, true, true, true);
    return true;
}

void MessageNavigation::ShowNewest() {
    AtEnd = true;
    AtStart = false;
    moveTo(&Recordset::moveLast);
}

bool MessageNavigation::ButtonClick(int Index, const modVellumo& state) {
    switch (Index) {
    case NavigationButton::First:
        AtEnd = false;
        AtStart = true;
        moveTo(&Recordset::moveFirst);
        return true;
    case NavigationButton::Previous:
        AtEnd = false;
        AtStart = false;
        moveTo(&Recordset::movePrevious);
        return true;
    case NavigationButton::Next:
        AtEnd = false;
        AtStart = false;
        moveTo(&Recordset::moveNext);
        return true;
    case NavigationButton::Last:
        ShowNewest();
        return true;
    case NavigationButton::Delete: {
        // The question lets the event loop run: a message received meanwhile moves the recordset to
        // its new row. Yes deletes the row that was shown when the question was asked, never that one.
        std::optional<std::int64_t> shown;
        if (recordset_) {
            try {
                shown = recordset_->bookmark();
            } catch (const RuntimeError&) {
                // No row shown: nothing to delete.
            }
        }
        const QString prompt =
            state.GetString(txt::DeleteMessageAsk, QStringLiteral("Êtes-vous sur de vouloir détruire ce message ? "));
        const QString title = state.GetString(txt::DeleteMessageTitle, QStringLiteral("Supprimer un message..."));
        asking_ = true;
        const int answer = ui().messageBox(prompt, mb::YesNo | mb::Question | mb::SystemModal, title);
        asking_ = false;
        if (answer != mb::Yes || !recordset_)
            return true;
        if (shown) {
            try {
                recordset_->setBookmark(*shown);
                recordset_->deleteCurrent();
            } catch (const RuntimeError&) {
                // A delete that fails (or a row gone meanwhile) is not reported.
            }
        }
        ShowNewest();
        return true;
    }
    default:
        return false;
    }
}

std::int32_t MessageNavigation::DateColour(const QDateTime& when) {
    const QString format = QStringLiteral("dd/MM/yyyy");
    return when.date().toString(format) == QDate::currentDate().toString(format) ? TodayColour : OlderColour;
}

void MessageNavigation::ColourMessage(std::span<QLineEdit* const> boxes, RichTextViewer& viewer, std::int32_t colour) {
    const QColor c = SystemColors::toQColor(colour);
    for (QLineEdit* box : boxes) {
        if (!box)
            continue;
        QPalette p = box->palette();
        p.setColor(QPalette::Base, c);
        box->setPalette(p);
    }
    viewer.setBackColor(c);
}

QLineEdit* MessageNavigation::AddMessageField(QGridLayout& fields, QWidget* window, int Index, const QString& caption) {
    auto* label = new QLabel(caption, window);
    label->setObjectName(QStringLiteral("Label1"));
    modLocalisation::SetControlIndex(label, Index);
    auto* box = new QLineEdit(window);
    box->setObjectName(QStringLiteral("Text1"));
    modLocalisation::SetControlIndex(box, Index);
    box->setReadOnly(true);
    fields.addWidget(label, Index, 0);
    fields.addWidget(box, Index, 1);
    return box;
}

} // namespace vellumo
