#include "app/windows/dialogs/frm_purge.h"

#include "app/core/text_ids.h"
#include "app/store/store_statements.h"
#include "app/ui/push_button.h"
#include "app/ui/window_translation.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/ui_hooks.h"
#include "platform/widgets/top_most.h"

#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QVBoxLayout>

namespace vellumo {

namespace {
const QString kTitle = QStringLiteral("Vellumo");
} // namespace

frmPurge::frmPurge(modVellumo& state, ControlLoader& loader, const Database& database, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), database_(database) {
    setObjectName(QStringLiteral("frmPurge"));
    setWindowTitle(QStringLiteral("Purger les anciens messages"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* layout = new QVBoxLayout(this);
    Label1 = new QLabel(QString::fromUtf8("Les messages reçus et envoyés avant la date ci dessous seront supprimés "
                                          "de la base de messages d'Vellumo :"),
                        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    layout->addWidget(Label1);

    MonthView1 = new QCalendarWidget(this);
    MonthView1->setObjectName(QStringLiteral("MonthView1"));
    MonthView1->setGridVisible(true);
    connect(MonthView1, &QCalendarWidget::clicked, this, [this](QDate d) { MonthView1_DateClick(d); });
    layout->addWidget(MonthView1, 1);

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);
    layout->addWidget(Label2);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    Btn_Valider = new PushButton(loader, QStringLiteral("Btn_Valider"), QStringLiteral("&Valider"), this);
    Btn_Annuler = new PushButton(loader, QStringLiteral("Btn_Annuler"), QStringLiteral("&Annuler"), this);
    for (PushButton* b : {Btn_Valider, Btn_Annuler}) {
        b->setFixedSize(96, 28);
        buttons->addWidget(b);
    }
    Btn_Valider->setClick([this] { Btn_Valider_Click(); });
    Btn_Annuler->setClick([this] { Btn_Annuler_Click(); });
    // Escape closes the window as Annuler does.
    Btn_Annuler->setCancel(true);
    layout->addLayout(buttons);
    resize(360, 360);
}

QString frmPurge::ShortDate(const QDate& day, const QLocale& locale) {
    return locale.toString(day, QLocale::ShortFormat);
}

void frmPurge::showChosenDay() {
    Label2->setText(
        state_.GetString(txt::PurgeLabel, QString::fromUtf8("Les messages antérieurs au %1 seront supprimés"))
            .replace(QStringLiteral("%1"), ShortDate(MonthView1->selectedDate(), MonthView1->locale())));
}

void frmPurge::Form_Load() {
    if (!state_.Settings.CurrentLanguage.isEmpty())
        ApplyLanguage(state_.Localisation, this, state_.Settings.CurrentLanguage);
    // The calendar's month and day names in the interface's language.
    MonthView1->setLocale(state_.Localisation.Locale());
    MonthView1->setSelectedDate(QDate::currentDate().addDays(-ProposedDaysBack));
    showChosenDay();
    SetTopMost(this);
}

void frmPurge::MonthView1_DateClick(const QDate& /*DateClicked*/) {
    // The calendar's value is the clicked day by now.
    showChosenDay();
}

void frmPurge::Btn_Valider_Click() {
    const QDate day = MonthView1->selectedDate();
    const QString prompt =
        state_
            .GetString(txt::PurgeAsk,
                       QString::fromUtf8("Êtes-vous sûr de voulour supprimer les messages |antérieurs au %1 ?"))
            .replace(QStringLiteral("%1"), ShortDate(day, MonthView1->locale()));
    if (ui().messageBox(prompt, mb::YesNo | mb::Question | mb::SystemModal, kTitle) != mb::Yes)
        return;
    int received = 0;
    int sent = 0;
    QString failure;
    try {
        received = database_.execute(StoreStatements::PurgeRecived(day));
        sent = database_.execute(StoreStatements::PurgeSended(day));
    } catch (const RuntimeError& e) {
        failure = e.description();
    }
    // The holder learns what went even when the second statement failed after the first one.
    const QPointer<frmPurge> self(this);
    if (purged_)
        purged_(received, sent, failure.isEmpty());
    if (!self)
        return;
    if (!failure.isEmpty()) {
        ui().logEvent(EventLogType::Error, kTitle, QStringLiteral("Purge: ") + failure);
        ui().messageBox(
            state_.GetString(txt::PurgeFailed, QString::fromUtf8("La purge de la base de messages a échoué : ")) +
                failure,
            mb::Critical, kTitle);
        return;
    }
    close();
}

void frmPurge::Btn_Annuler_Click() {
    close();
}

} // namespace vellumo
