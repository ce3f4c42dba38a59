#pragma once
// ProcessShellStart: the ShellStart of a freedesktop system. A program (an executable file) starts
// detached through QProcess with the parameters split as a command line; anything else (a document,
// a folder) goes to "xdg-open". What went wrong becomes the shell's result:
//
//   working folder given but not a folder, or the file's folder missing  -> 3
//   no such file (a bare name is looked up in the working folder, then PATH) -> 2
//   file not readable, or a program without the right to execute it      -> 5
//   an executable file that the system refuses to start                   -> 11
//   a document, and no "xdg-open" to open it with                         -> 31
//   started                                                               -> 42
//
// "Open With" is the desktop portal's chooser (org.freedesktop.portal.OpenURI, OpenFile with "ask" on,
// over the session bus): the user picks a program for the document. Without a session bus or a portal
// that takes the call there is no chooser: openWith answers 31, and ShellExecuteOpen tells the user
// through its notice (setNoProgramNotice).

#include "platform/shell/shell_start.h"

namespace vellumo {

class ProcessShellStart : public ShellStart {
public:
    // How long the portal may take to take the request (the chooser itself then runs on its own).
    static constexpr int PortalTimeoutMs = 5000;

    int open(const QString& file, const QString& parameters, const QString& directory, int showCommand) override;
    int openWith(const QString& file, const QString& directory, int showCommand) override;
};

} // namespace vellumo
