#pragma once
// ProgramFolder: a temporary copy of the built program folder for one test, with its own settings
// file, so that tests start the main window (or the real program) without touching the build's own
// folder or each other. What a running program writes there (database, lock, settings) starts absent.

#include <QString>
#include <QTemporaryDir>

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

// A TCP port on 127.0.0.1 that nothing listens on right now (for a server to listen on).
int freeLoopbackPort();
// A TCP port on 127.0.0.1 that refuses connections for the rest of the process: a socket is bound
// to it and never listens, so no other test process can take it meanwhile.
quint16 refusingLoopbackPort();

} // namespace vellumo::test
