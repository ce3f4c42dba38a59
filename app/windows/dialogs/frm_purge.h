#pragma once
// frmPurge: deletes the old messages of "Vellumo.dbo": every received message received, and every sent
// message sent, before the day chosen on the calendar (strictly before that day at 00:00). It proposes
// the day 180 days before today. Made and shown by the main window (mnuPurge), whose database it runs
// the purge statements on: it keeps its own handle on that connection, so the two windows may go in
// either order. It deletes itself when closed. After the statements ran it tells its holder how many
// received and sent messages went (setPurged), so the main window shows what the store holds now and
// says how many were removed.
//
// A failing statement is shown in a message box and written to the event log; the window then stays
// open. The two statements run in order, so a failure of the second leaves the first one's deletions:
// the holder is told of those too, as an incomplete purge.

#include "app/core/mod_vellumo.h"
#include "platform/store/database.h"

#include <QDate>
#include <QLocale>
#include <QWidget>

#include <functional>

class QCalendarWidget;
class QLabel;

namespace vellumo {

class ControlLoader;
class PushButton;

class frmPurge : public QWidget {
    Q_OBJECT
public:
    static constexpr int ProposedDaysBack = 180;

    frmPurge(modVellumo& state, ControlLoader& loader, const Database& database, QWidget* parent = nullptr);

    void Form_Load();
    void MonthView1_DateClick(const QDate& DateClicked);
    void Btn_Valider_Click();
    void Btn_Annuler_Click();

    // The chosen day in the short date format of a locale, as the texts show it. The window uses the
    // interface's locale (its calendar's), so that a French interface shows French dates whatever
    // the system's own locale.
    static QString ShortDate(const QDate& day, const QLocale& locale = QLocale::system());

    // Called once the statements ran: the rows deleted from Recived and from Sended, and whether both
    // statements succeeded.
    using PurgedHandler = std::function<void(int received, int sent, bool complete)>;
    void setPurged(PurgedHandler purged) { purged_ = std::move(purged); }

    // For the tests.
    QCalendarWidget& calendar() { return *MonthView1; }
    QLabel& label2() { return *Label2; }
    PushButton& validerButton() { return *Btn_Valider; }
    PushButton& annulerButton() { return *Btn_Annuler; }

private:
    void showChosenDay();

    modVellumo& state_;
    Database database_;
    QLabel* Label1 = nullptr;
    QCalendarWidget* MonthView1 = nullptr;
    QLabel* Label2 = nullptr;
    PushButton* Btn_Valider = nullptr;
    PushButton* Btn_Annuler = nullptr;
    PurgedHandler purged_;
};

} // namespace vellumo
