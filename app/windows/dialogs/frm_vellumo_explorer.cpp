#include "app/windows/dialogs/frm_vellumo_explorer.h"

#include "app/core/text_ids.h"
#include "app/messaging/mod_resolve_network_name.h"
#include "app/ui/push_button.h"
#include "app/ui/window_translation.h"
#include "platform/net/tcp_socket.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/ui_hooks.h"
#include "platform/widgets/top_most.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vellumo {

namespace {
const QString kTitle = QStringLiteral("Vellumo");
} // namespace

frmVellumoExplorer::frmVellumoExplorer(modVellumo& state, ControlLoader& loader, QWidget* parent,
                                       StreamSocketFactory probes)
    : ActivatedDialog(parent), state_(state),
      probes_(probes ? std::move(probes) : StreamSocketFactory(&TcpSocket::create)) {
    setObjectName(QStringLiteral("frmVellumoExplorer"));
    setWindowTitle(Caption());
    resize(330, 380);

    auto* layout = new QVBoxLayout(this);
    Lvw = new QTreeWidget(this);
    Lvw->setObjectName(QStringLiteral("Lvw"));
    Lvw->setColumnCount(1);
    Lvw->setHeaderLabels({state_.GetString(txt::ConnectedUsers, QStringLiteral("Utilisateurs connectés"))});
    Lvw->setRootIsDecorated(false);
    Lvw->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Lvw->setIconSize(QSize(16, 16));
    connect(Lvw, &QTreeWidget::itemClicked, this, [this] { Lvw_Click(); });
    layout->addWidget(Lvw, 1);

    lblLabel1 = new QLabel(NoPeerText(), this);
    lblLabel1->setObjectName(QStringLiteral("lblLabel1"));
    lblLabel1->hide();

    NoneUser = new QLineEdit(this);
    NoneUser->setObjectName(QStringLiteral("NoneUser"));
    NoneUser->setReadOnly(true);
    NoneUser->hide();
    layout->addWidget(NoneUser);

    auto* buttons = new QHBoxLayout;
    TeskButtonConcept1 =
        new PushButton(loader, QStringLiteral("TeskButtonConcept1"), QStringLiteral("Actualiser..."), this);
    TeskButtonConcept1->setClick([this] { TeskButtonConcept1_Click(); });
    buttons->addWidget(TeskButtonConcept1);
    buttons->addStretch(1);
    Btn_Valider = new PushButton(loader, QStringLiteral("Btn_Valider"), QStringLiteral("&Valider"), this);
    Btn_Valider->setClick([this] { Btn_Valider_Click(); });
    buttons->addWidget(Btn_Valider);
    Btn_Annuler = new PushButton(loader, QStringLiteral("Btn_Annuler"), QStringLiteral("&Annuler"), this);
    Btn_Annuler->setClick([this] { Btn_Annuler_Click(); });
    buttons->addWidget(Btn_Annuler);
    // A library button asks the layout for no room of its own: each gets its size, or the row
    // shrinks to nothing.
    for (PushButton* b : {TeskButtonConcept1, Btn_Valider, Btn_Annuler})
        b->setFixedSize(96, 28);
    layout->addLayout(buttons);

    tmrScan = new QTimer(this);
    tmrScan->setObjectName(QStringLiteral("tmrScan"));
    tmrScan->setInterval(StepMs);
    connect(tmrScan, &QTimer::timeout, this, [this] { tmrScan_Timer(); });

    Form_Load();
}

frmVellumoExplorer::~frmVellumoExplorer() {
    tmrScan->stop();
    setHourglass(false);
    // Nothing of a probe runs any more: the window is going, the probes with it.
    for (auto& probe : W)
        probe.reset();
    graveyard_.clear();
}

// ---- load, activation, unload ---------------------------------------------------------------------

void frmVellumoExplorer::Form_Load() {
    if (!state_.Settings.CurrentLanguage.isEmpty())
        ApplyLanguage(state_.Localisation, this, state_.Settings.CurrentLanguage);
    Lvw->hide();
    startedOnce_ = false;
    NoneUser->setText(lblLabel1->text());
    NoneUser->setCursorPosition(0); // the sentence shown from its start
}

void frmVellumoExplorer::Form_Activate() {
    if (startedOnce_ || unloaded_)
        return;
    // Set first: the events that run below may activate the window again.
    startedOnce_ = true;
    if (state_.Settings.IsAlwaysOnTop)
        SetTopMost(this);
    repaint();
    QPointer<frmVellumoExplorer> self(this);
    ui().doEvents();
    if (!self || unloaded_)
        return;
    StartScan();
}

bool frmVellumoExplorer::Form_QueryUnload() {
    state_.OpenedFromCompose = false;
    unloaded_ = true;
    tmrScan->stop();
    UnloadProbes();
    // A scan cut short by the close still gives the pointer back.
    setHourglass(false);
    scanning_ = false;
    return true;
}

// ---- the scan -------------------------------------------------------------------------------------

void frmVellumoExplorer::StartScan() {
    if (scanning_ || unloaded_)
        return;
    scanning_ = true;
    QPointer<frmVellumoExplorer> self(this);
    const auto gone = [&] { return !self || unloaded_; };

    TeskButtonConcept1->hide();
    NoneUser->hide();
    setHourglass(true);
    Lvw->clear();
    Lvw->show();
    // Let the window paint before the probes start.
    for (int i = 0; i <= 100; ++i) {
        ui().doEvents();
        if (gone())
            return;
    }

    try {
        const QString list = ModResolveNetworkName::LocalIpList();
        addresses_ = list.isEmpty() ? QStringList() : list.split(u'/');
    } catch (const RuntimeError& e) {
        // The station's addresses cannot be listed: nothing to scan, said like a station without a
        // network.
        ui().logEvent(EventLogType::Warning, kTitle, e.description());
        addresses_.clear();
    }
    addressCount_ = static_cast<int>(addresses_.size());

    for (int i = 1; i <= ProbeCount; ++i) {
        auto probe = probes_();
        StreamSocket::Events events;
        events.Connect = [this, i] {
            ++eventDepth_;
            W_Connect(i);
            --eventDepth_;
        };
        events.Close = [this, i] { W_Close(i); };
        events.Error = [this, i](std::int32_t, const QString&) { W_Error(i); };
        probe->setEvents(std::move(events));
        if (W[static_cast<std::size_t>(i)])
            bury(std::move(W[static_cast<std::size_t>(i)]));
        W[static_cast<std::size_t>(i)] = std::move(probe);
        ui().doEvents();
        if (gone())
            return;
    }
    int first = 1;
    ScanNextAddress(first);
}

void frmVellumoExplorer::ScanNextAddress(int& n) {
    while (n <= addressCount_ && addresses_.at(n - 1).startsWith(QStringLiteral("127.")))
        ++n;

    if (n > addressCount_) {
        endScan();
        return;
    }

    tmrScan->stop();
    current_ = static_cast<std::int16_t>(n);
    const QStringList parts = addresses_.at(n - 1).split(u'.');
    const QString network = parts.mid(0, 3).join(u'.') + u'.';
    const int own = parts.size() == 4 ? parts.at(3).toInt() : -1;
    const std::int32_t port = state_.Settings.Port;
    QPointer<frmVellumoExplorer> self(this);
    for (int i = 1; i <= ProbeCount; ++i) {
        StreamSocket* probe = W[static_cast<std::size_t>(i)].get();
        if (!probe)
            return; // the probes are gone: the window was closed meanwhile
        probe->Close();
        ui().doEvents();
        if (!self || unloaded_)
            return;
        if (i != own) {
            probe = W[static_cast<std::size_t>(i)].get();
            if (!probe)
                return;
            try {
                probe->Connect(network + QString::number(i), port);
            } catch (const RuntimeError&) {
                // A probe that cannot even start is a host not listed, as a refused one is.
            }
            ui().doEvents();
            if (!self || unloaded_)
                return;
        }
    }
    tmrScan->start();
}

void frmVellumoExplorer::endScan() {
    tmrScan->stop();
    setHourglass(false);
    UnloadProbes();
    TeskButtonConcept1->show();
    if (Lvw->topLevelItemCount() == 0)
        NoneUser->show();
    scanning_ = false;
    ++scansEnded_;
}

void frmVellumoExplorer::tmrScan_Timer() {
    int next = current_ + 1;
    ScanNextAddress(next);
}

void frmVellumoExplorer::W_Connect(int Index) {
    StreamSocket* probe = W[static_cast<std::size_t>(Index)].get();
    if (!probe)
        return;
    const QString ip = probe->RemoteHostIP();
    // The lookup may show a box, during which the scan goes on: the probe is not touched after it.
    QString name = ModResolveNetworkName::ResolveAddress(ip);
    if (name.isEmpty())
        name = ip;
    auto* item = new QTreeWidgetItem(Lvw, {name});
    item->setIcon(0, style()->standardIcon(QStyle::SP_ComputerIcon)); // icon 3 of the list's pictures
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setCheckState(0, Qt::Unchecked);
}

void frmVellumoExplorer::W_Close(int) {}

void frmVellumoExplorer::W_Error(int) {}

void frmVellumoExplorer::UnloadProbes() {
    QPointer<frmVellumoExplorer> self(this);
    for (int i = 1; i <= ProbeCount; ++i) {
        std::unique_ptr<StreamSocket> probe = std::move(W[static_cast<std::size_t>(i)]);
        if (!probe)
            continue;
        try {
            probe->Close();
        } catch (const RuntimeError&) {
        }
        bury(std::move(probe));
        ui().doEvents();
        if (!self)
            return;
    }
}

void frmVellumoExplorer::bury(std::unique_ptr<StreamSocket> probe) {
    graveyard_.push_back(std::move(probe));
    if (eventDepth_ == 0) {
        graveyard_.clear();
        return;
    }
    // Inside a probe's event: free it once that event has returned.
    QTimer::singleShot(0, this, [this] { purgeGraveyard(); });
}

void frmVellumoExplorer::purgeGraveyard() {
    if (eventDepth_ == 0)
        graveyard_.clear();
    else if (!graveyard_.empty())
        QTimer::singleShot(0, this, [this] { purgeGraveyard(); });
}

int frmVellumoExplorer::probesAlive() const {
    int n = 0;
    for (int i = 1; i <= ProbeCount; ++i)
        n += W[static_cast<std::size_t>(i)] ? 1 : 0;
    return n;
}

// ---- the list and the buttons ---------------------------------------------------------------------

void frmVellumoExplorer::Lvw_Click() {
    for (QTreeWidgetItem* item : Lvw->selectedItems())
        item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void frmVellumoExplorer::TeskButtonConcept1_Click() {
    Lvw->clear();
    QPointer<frmVellumoExplorer> self(this);
    ui().doEvents();
    if (!self)
        return;
    StartScan();
}

void frmVellumoExplorer::Btn_Valider_Click() {
    QString list;
    for (int i = 0; i < Lvw->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = Lvw->topLevelItem(i);
        if (item->checkState(0) == Qt::Checked)
            list += item->text(0) + u';';
    }
    if (target_)
        target_(list);
    close();
}

void frmVellumoExplorer::Btn_Annuler_Click() {
    close();
}

void frmVellumoExplorer::setHourglass(bool on) {
    if (on == hourglass_)
        return;
    hourglass_ = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

} // namespace vellumo
