#pragma once
// FakeShellStart: a ShellStart that records every call and answers with a scripted shell result
// (success unless told otherwise), so that every failure code of the shell can be produced.

#include "platform/shell/shell_start.h"

#include <QString>

#include <vector>

namespace vellumo::test {

struct ShellStartCall {
    QString file;
    QString parameters;
    QString directory;
    int showCommand = 0;
};

class FakeShellStart : public ShellStart {
public:
    int open(const QString& file, const QString& parameters, const QString& directory, int showCommand) override {
        opened.push_back({file, parameters, directory, showCommand});
        return result;
    }
    int openWith(const QString& file, const QString& directory, int showCommand) override {
        chooser.push_back({file, QString(), directory, showCommand});
        return chooserResult;
    }

    int result = shellresult::Success;
    // What openWith answers: success (a chooser was shown) unless told otherwise.
    int chooserResult = shellresult::Success;
    std::vector<ShellStartCall> opened;
    std::vector<ShellStartCall> chooser;
};

} // namespace vellumo::test
