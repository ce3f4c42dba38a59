#pragma once
// ShellStart: starts a program or opens a document the way the desktop shell does, answering with
// the shell's classic result: above 32 for success, 0 to 32 for a failure (table below). The real
// implementation is ProcessShellStart (process_shell_start.h); tests use a fake that answers any
// code. ShellExecuteOpen, below, is the program's one entry point: it turns a failure into a numbered
// run-time error when the caller asks for it, and falls back to the "Open With" chooser when no
// program is associated with a document. Stateless; callers keep nothing.
//
//   result | meaning                      | ShellExecuteOpen with RaiseErrors
//   -------|------------------------------|-------------------------------------------------
//   0, 8   | out of memory                | error 7
//   2      | file not found               | error 53
//   3      | path not found               | error 76
//   5      | access denied                | error 70
//   11     | bad executable format        | error 321
//   26     | sharing violation            | error 26 "A Sharing violation occurred."
//   27     | association incomplete       | error 27 "The filename association is incomplete or invalid."
//   28     | DDE time-out                 | error 25 "The DDE transaction could not be completed ..."
//   29     | DDE failure                  | error 29 "The DDE transaction failed."
//   30     | DDE busy                     | error 30 "The DDE transaction could not be completed ..."
//   31     | no associated program        | always: the "Open With" chooser, no error; when
//          |                              | there is none, the no-program notice
//   32     | library not found            | error 48
//   others | (1, 4, 6, 7, 9, 10, 12-25)   | nothing

#include <QString>

#include <functional>

class QObject;

namespace vellumo {

namespace shellresult {
inline constexpr int Success = 42;
inline constexpr int OutOfMemory = 0;
inline constexpr int FileNotFound = 2;
inline constexpr int PathNotFound = 3;
inline constexpr int AccessDenied = 5;
inline constexpr int NotEnoughMemory = 8;
inline constexpr int BadFormat = 11;
inline constexpr int SharingViolation = 26;
inline constexpr int AssociationIncomplete = 27;
inline constexpr int DdeTimeout = 28;
inline constexpr int DdeFail = 29;
inline constexpr int DdeBusy = 30;
inline constexpr int NoAssociation = 31;
inline constexpr int DllNotFound = 32;
} // namespace shellresult

class ShellStart {
public:
    virtual ~ShellStart() = default;
    // Starts file (a program, with parameters as its command line) or opens it (a document) in the
    // working folder directory (empty: the caller's own).
    virtual int open(const QString& file, const QString& parameters, const QString& directory, int showCommand) = 0;
    // Offers the user the system's chooser of a program for file; the result is informative only.
    virtual int openWith(const QString& file, const QString& directory, int showCommand) = 0;
};

// The shell of the running desktop (a ProcessShellStart shared by the whole program).
ShellStart& systemShell();

// What ShellExecuteOpen does when a document has no program and the shell offers no chooser either:
// tells the user (the program sets it, in its own language); without a notice nothing is said.
void setNoProgramNotice(std::function<void(const QString& file)> notice);

// Starts or opens FileName through shell. When Directory comes in empty it receives the folder part
// of FileName (up to and including its last "/"; empty when it has none), and that is what the shell
// gets. With RaiseErrors a failure of the table above raises a RuntimeError (source "API").
void ShellExecuteOpen(QObject* Owner, const QString& FileName, const QString& Parameters, QString& Directory,
                      int ShowCommand, bool RaiseErrors, ShellStart& shell = systemShell());

} // namespace vellumo
