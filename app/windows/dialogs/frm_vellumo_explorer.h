#pragma once
// frmVellumoExplorer: the LAN peer scan. Finds the stations of the local networks on which the
// program runs by a TCP connect probe to the configured port of every host a.b.c.1 to a.b.c.255 of
// each own address a.b.c.d (loopback addresses and the own host number are skipped); every host that
// accepts is listed by name, and the checked names become the compose window's recipients line.
// Nothing is sent on a probe's connection and nothing is read.
//
// Made by the compose window when the user asks for it (never before, so a program that nobody asks
// does not probe), shown modally, and unloaded by closing. The scan starts on the first activation;
// later scans only from the refresh button.
//
// Probes: W[1] to W[255], made at the start of a scan and destroyed at its end; W[i] probes host i of
// the network being scanned. A network's probes are issued at once, then tmrScan (200 ms) moves to
// the next network, whose first step closes every probe of the previous one: a host that answers
// later is not listed. Probes are destroyed only when none of their events is running: a probe being
// dropped from inside an event (a name lookup's box lets the timer run) is closed at once and freed
// after the event has returned.

#include "app/core/mod_vellumo.h"
#include "app/ui/activated_dialog.h"
#include "platform/net/stream_socket.h"

#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QLineEdit;
class QTimer;
class QTreeWidget;

namespace vellumo {

class ControlLoader;
class PushButton;

class frmVellumoExplorer : public ActivatedDialog {
    Q_OBJECT
public:
    static constexpr int ProbeCount = 255;
    static constexpr int StepMs = 200;
    static QString Caption() { return QStringLiteral("Recherche des utilisateurs d'Vellumo connectés"); }
    static QString NoPeerText() {
        return QStringLiteral("Aucun utilisateur d'Vellumo ne semble connecté sur le réseau");
    }

    // probes makes the connect probes; the program's TcpSocket unless a test gives another.
    frmVellumoExplorer(modVellumo& state, ControlLoader& loader, QWidget* parent = nullptr,
                       StreamSocketFactory probes = StreamSocketFactory());
    ~frmVellumoExplorer() override;

    // Where Valider puts the checked names ("PC01;PC02;", empty when none is checked): the compose
    // window's recipients line, whose content it replaces.
    void setRecipientsTarget(std::function<void(const QString& recipients)> target) { target_ = std::move(target); }

    void Form_Load();
    void Form_Activate() override;
    bool Form_QueryUnload() override;
    void Btn_Valider_Click();
    void Btn_Annuler_Click();
    void TeskButtonConcept1_Click();
    void Lvw_Click();
    void tmrScan_Timer();
    void W_Connect(int Index);
    void W_Close(int Index);
    void W_Error(int Index);

    // For the tests.
    QTreeWidget& list() { return *Lvw; }
    QLineEdit& noneUser() { return *NoneUser; }
    PushButton& refreshButton() { return *TeskButtonConcept1; }
    QTimer& timer() { return *tmrScan; }
    bool scanning() const { return scanning_; }
    // How many scans have come to their end.
    int scansEnded() const { return scansEnded_; }
    int probesAlive() const;
    // The number of the address being scanned (1-based; 0 before the first).
    int currentAddress() const { return current_; }

private:
    void StartScan();
    void ScanNextAddress(int& n);
    void UnloadProbes();
    void endScan();
    void setHourglass(bool on);
    void bury(std::unique_ptr<StreamSocket> probe);
    void purgeGraveyard();

    modVellumo& state_;
    StreamSocketFactory probes_;
    std::function<void(const QString&)> target_;

    std::array<std::unique_ptr<StreamSocket>, ProbeCount + 1> W; // element 0 is never used
    std::vector<std::unique_ptr<StreamSocket>> graveyard_;
    int eventDepth_ = 0;

    QTimer* tmrScan = nullptr;
    QTreeWidget* Lvw = nullptr;
    QLabel* lblLabel1 = nullptr;
    QLineEdit* NoneUser = nullptr;
    PushButton* TeskButtonConcept1 = nullptr;
    PushButton* Btn_Valider = nullptr;
    PushButton* Btn_Annuler = nullptr;

    QStringList addresses_;
    int addressCount_ = 0;
    std::int16_t current_ = 0;
    bool startedOnce_ = false;
    bool scanning_ = false;
    int scansEnded_ = 0;
    bool hourglass_ = false;
    bool unloaded_ = false;
};

} // namespace vellumo
