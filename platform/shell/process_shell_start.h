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
// There is no system "Open With" chooser here: openWith does nothing and answers 31.

#include "platform/shell/shell_start.h"

namespace vellumo {

class ProcessShellStart : public ShellStart {
public:
    int open(const QString& file, const QString& parameters, const QString& directory, int showCommand) override;
    int openWith(const QString& file, const QString& directory, int showCommand) override;
};

} // namespace vellumo
