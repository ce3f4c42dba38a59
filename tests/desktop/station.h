#pragma once
// Station: one workstation of the office for a desktop scenario: the real `vellumo` started from a
// program folder of its own (a copy of the build's), with its own HOME, on the scenario's display.
// With a StationNetwork the station runs in a network namespace of its own, under a host name of its
// own that the other stations resolve; without one it runs on the machine's loopback.
//
// The station's store is read back as a person would look at it afterwards: the rows of Recived and
// Sended in Vellumo.dbo. Every process a station starts (the program, the launcher, the program the
// launcher starts) is ended by its id when the station goes.
//
// The program is the build's (VELLUMO_PROGRAM_DIR), or the one of the folder named by the environment
// variable VELLUMO_DESKTOP_PROGRAM_DIR, so that the scenarios can be run against another build (an
// older program, to see a scenario fail before its mend).
//
// Under the sanitizers the program runs with the sanitizer options of the tests except one:
// strict_string_checks is off. When the program connects to the display, the X keyboard library
// (libxkbcommon-x11, in xkb_x11_keymap_new_from_device) copies names with strndup out of buffers that
// are not NUL-terminated, which strndup allows; the strict check takes that for a heap overflow and
// ends the program there, before any window of ours exists. The sanitizers' reports go to the
// station's log, which the scenarios check.

#include "tests/desktop/x_session.h"
#include "tests/support/program_folder.h"

#include <QDateTime>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <vector>

namespace vellumo::desktop {

// Network namespaces for the stations of one scenario, joined by a bridge-less veth pair (two
// stations) and known to each other by name through each namespace's own hosts file
// (/etc/netns/<namespace>/hosts, which `ip netns exec` puts in place of /etc/hosts). Only the
// addresses of these namespaces are ever reached.
class StationNetwork {
public:
    struct Member {
        QString name;    // host name of the station
        QString address; // its address in the benchmarking range
        QString ns;      // its namespace
    };

    StationNetwork() = default;
    ~StationNetwork();
    StationNetwork(const StationNetwork&) = delete;
    StationNetwork& operator=(const StationNetwork&) = delete;

    // Makes the namespaces for two stations; false with the reason when it cannot (not root, no ip).
    bool create(QString* why);
    const Member& member(int i) const { return members_[static_cast<std::size_t>(i)]; }

private:
    std::vector<Member> members_;
    bool made_ = false;
};

// One row of a table of the message store, with the fields the scenarios look at.
struct StoredMessage {
    QString from, to, text, rtf;
};

class Station {
public:
    // With a network member the station runs in its namespace under its name; without one on the
    // loopback, on a free port. extraSettings: lines for Vellumo.ini ("[Vellumo]\r\nIsAlwaysOnTop=0").
    Station(const XSession& x, const StationNetwork::Member* member, const QString& extraSettings = {});
    ~Station();
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    // Starts the program and waits until its tray icon sits in the tray host.
    bool start(QString* why);
    // Runs the launcher of the station's folder with the arguments (as the desktop's autostart or the
    // program's restart would), in the station's namespace and environment; returns at once.
    bool startLauncher(const QStringList& arguments);
    // The id of the running program of this station's folder (the one started here or the one the
    // launcher started), 0 when none runs.
    qint64 pid() const;
    // Waits up to timeoutMs for the program to end.
    bool waitForEnd(int timeoutMs);
    // Ends every process of the station.
    void stop();

    QString name() const { return name_; }
    // The port the station listens on (only known for a station on the loopback; 0 otherwise).
    int port() const { return port_; }
    // A variable of the program's environment, for the next start.
    void setEnvironment(const QString& name, const QString& value) { extraEnvironment_.insert(name, value); }
    const test::ProgramFolder& folder() const { return folder_; }
    // The station's tray icon (nullopt when it is not in the tray host).
    std::optional<XWindow> trayIcon() const;

    std::vector<StoredMessage> received() const;
    std::vector<StoredMessage> sent() const;
    // Puts a message in the station's store before it starts, as received ("Recived") or sent
    // ("Sended") at the given time; false when the store cannot be written.
    bool storeMessage(const char* table, const StoredMessage& message, const QDateTime& when) const;

    // What the program wrote on its error output.
    QString log() const;
    // Sanitizer reports (AddressSanitizer, LeakSanitizer, UndefinedBehaviorSanitizer) in the log.
    QString sanitizerReports() const;

private:
    QProcessEnvironment environment() const;
    // The command line that runs program in the station's namespace under its name.
    QStringList command(const QString& program, const QStringList& arguments) const;
    std::vector<StoredMessage> rows(const char* table) const;
    std::vector<qint64> programPids() const;

    const XSession& x_;
    std::optional<StationNetwork::Member> member_;
    QString name_;
    test::ProgramFolder folder_;
    QTemporaryDir home_;
    std::unique_ptr<QProcess> program_;
    QProcessEnvironment extraEnvironment_;
    int port_ = 0;
    std::vector<std::unique_ptr<QProcess>> launchers_;
};

} // namespace vellumo::desktop
