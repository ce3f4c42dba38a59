#pragma once
// frmStart: the launcher's only "window", never shown. It holds the restart timer Timer1 (2000 ms,
// disabled when made) and is the owner of the main program's start. Made and owned by the launcher's
// main (or a test) for the whole run; it ends the run through the endProgram callback it was given.
//
// The launcher has nothing to show, so frmStart is a plain QObject and the program runs without a
// display: its only window of the design was hidden at once and never seen.

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

namespace vellumo {

class ShellStart;

class frmStart : public QObject {
    Q_OBJECT
public:
    static constexpr int Timer1Interval = 2000;
    // The main program, in the launcher's own folder, and its settings file (in the same folder, or in
    // the user's configuration folder for an installed copy: UserFolders).
    static QString MainProgramName() { return QStringLiteral("vellumo"); }
    static QString SettingsFileName() { return QStringLiteral("Vellumo.ini"); }

    // programFolder: the launcher's own folder; endProgram ends the run (QCoreApplication::exit).
    frmStart(QString programFolder, ShellStart& shell, std::function<void()> endProgram);

    // Hides the window at once: there is none to hide.
    void Form_Load();
    // Stops the timer; the launcher then ends.
    void Unload();
    // Starts the main program and ends the launcher; fires once, 2000 ms after "/t".
    void Timer1_Timer();
    // The main program of the launcher's folder through the shell, failures silent.
    void StartMainProgram();
    // Ends the run.
    void EndProgram();

    const QString& ProgramFolder() const { return programFolder_; }

    QTimer Timer1;

private:
    QString programFolder_;
    ShellStart& shell_;
    std::function<void()> endProgram_;
};

} // namespace vellumo
