#pragma once
// MessageNavigation: browsing a table of messages one row at a time, as the received-message window
// and the sent-message history do. It holds the window's `AtEnd` and `AtStart` flags, corrects a move
// past either end, sets the navigation buttons of the window's toolbar, and carries out buttons 9 to 13
// (NavigationButton::First ... Delete):
//
//   button | flags afterwards        | move            buttons:  | 13 | 12 | 11 | 10 | 9
//   -------|-------------------------|---------------- ----------|----|----|----|----|---
//   9      | AtStart                 | first           no row    | off| off| off| off| off
//   10, 11 | neither                 | previous, next  AtEnd     | on | off| off| on | on
//   12     | AtEnd                   | last            AtStart   | on | on | on | off| off
//   13     | AtEnd (on Yes)          | delete, last    neither   | on | on | on | on | on
//
// Button 13 deletes the row that was shown when it asked, found again by its bookmark: the question
// lets the event loop run, and a row received meanwhile becomes the current one (Asking() is true
// while the question is open, so that the window keeps showing the row the question is about).
//
// With LoneRowStays on (the received-message window), a table of one row has nowhere to move to:
// only button 13 is on.
//
// A move before the first row or after the last is allowed; the next reposition moves back and
// marks the end it reached. Owned by its window and set on the window's toolbar; the recordset is the
// window's own (the history) or the station's (the received messages), and outlives it.

#include "app/ui/navigation_buttons.h"

#include <QDateTime>

#include <cstdint>
#include <span>

class QGridLayout;
class QLineEdit;
class QWidget;

namespace vellumo {

class Recordset;
class RichTextViewer;
class TeskToolbar;
class modVellumo;

class MessageNavigation {
public:
    // Today's messages on the window colour, older ones light grey.
    static constexpr std::int32_t TodayColour = static_cast<std::int32_t>(0x80000005u);
    static constexpr std::int32_t OlderColour = 0xE0E0E0;

    explicit MessageNavigation(TeskToolbar& toolbar) : toolbar_(toolbar) {}

    // The recordset browsed, or null when the table could not be opened.
    void setRecordset(Recordset* recordset) { recordset_ = recordset; }

    // The reposition rule, run when the current row changed. True when a row is current and the
    // window should show it; false when there is none, or when it moved again (a further
    // reposition follows).
    bool Reposition();
    // Buttons 9 to 13; false for any other button. Button 13 asks first (strings 16 and 17).
    bool ButtonClick(int Index, const modVellumo& state);
    // Shows the newest message: AtEnd, and the last row.
    void ShowNewest();

    // The background of a message received or sent at when.
    static std::int32_t DateColour(const QDateTime& when);
    // Gives the message's text boxes and viewer that background (0x00BBGGRR); null boxes are skipped.
    static void ColourMessage(std::span<QLineEdit* const> boxes, RichTextViewer& viewer, std::int32_t colour);
    // One read-only message field of the window: the label Label1(Index) with caption and the box
    // Text1(Index), on row Index of fields. Returns the box.
    static QLineEdit* AddMessageField(QGridLayout& fields, QWidget* window, int Index, const QString& caption);

    // True while button 13's question is open.
    bool Asking() const { return asking_; }

    bool AtEnd = false;
    bool AtStart = false;
    bool LoneRowStays = false;

private:
    void setButtons(bool first, bool previous, bool next, bool last, bool del);
    void moveTo(void (Recordset::*move)());

    TeskToolbar& toolbar_;
    Recordset* recordset_ = nullptr;
    bool asking_ = false;
};

} // namespace vellumo
