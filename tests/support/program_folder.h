#pragma once
// ProgramFolder: a temporary copy of the built program folder for one test, with its own settings
// file, so that tests start the main window (or the real program) without touching the build's own
// folder or each other. What a running program writes there (database, lock, settings) starts absent.

#include <QString>
#include <QTemporaryDir>

#include <utility>

namespace vellumo::test {

class ProgramFolder {
public:
    // builtFolder: the build's program folder (VELLUMO_PROGRAM_DIR).
    explicit ProgramFolder(const QString& builtFolder);

    QString path() const { return dir_.path(); }
    QString file(const QString& name) const;
    // Writes "Vellumo.ini" with [Server] Port=port and the given extra lines (CR LF separated).
    void writeSettings(int port, const QString& extraLines = QString()) const;
    // Removes every language file (a program folder without Lng entries).
    void removeLanguages() const;

private:
    QTemporaryDir dir_;
};

// A TCP port for a server (the program) to listen on: one that can be bound on every address right
// now (0.0.0.0, as the program binds it), outside the range from which the system hands out the local
// ports of outgoing connections (/proc/sys/net/ipv4/ip_local_port_range), so that no connection of
// another process takes it meanwhile, and never the program's default port 32666. Each port handed out
// is claimed for the rest of the process by a lock file that every test process on the machine honours;
// 0 when none is found.
int freeLoopbackPort();
// The range of the local ports of outgoing connections, as the system reads it (first, last).
std::pair<int, int> ephemeralPortRange();
// True when a TCP socket can be bound and listen on port on every IPv4 address (0.0.0.0), as the
// program's listener does it; the probe is closed again at once.
bool bindableOnEveryAddress(int port);
// A TCP port on 127.0.0.1 that refuses connections for the rest of the process: a socket is bound
// to it and never listens, so no other test process can take it meanwhile.
quint16 refusingLoopbackPort();

} // namespace vellumo::test
