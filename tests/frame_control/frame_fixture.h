#pragma once
// A Frame3D on a container site, with scripted message boxes, its error log in a temporary folder,
// and logs of the change notifications and of the repaint routines it runs.

#include "frame_control/frame3d.h"

#include "platform/drawing/system_colors.h"
#include "platform/runtime/runtime_error.h"
#include "tests/support/error_number.h"
#include "tests/support/scripted_ui_hooks.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace vellumo::test {

class FrameTest : public testing::Test {
protected:
    FrameTest() : scoped_(hooks) {
        site.displayName = QStringLiteral("StatusBar1");
        site.containerProperties.WriteProperty("BackColor", syscolor::ButtonFace);
        site.onPropertyChanged = [this](const QString& name) { notified << name; };
    }

    // A frame made after the site is set up as the test wants it.
    Frame3D& make() {
        clearLogs();
        frame = std::make_unique<Frame3D>(nullptr, &site);
        frame->errorLog().setFolder(dir.path());
        frame->onRepaint = [this](const char* routine) { repaints << QString::fromLatin1(routine); };
        return *frame;
    }
    Frame3D& makeNew() {
        make().InitProperties();
        clearLogs();
        return *frame;
    }
    void clearLogs() {
        notified.clear();
        repaints.clear();
    }
    QStringList logLines() const {
        QFile f(frame->errorLog().filePath());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromLatin1(f.readAll()).split(QStringLiteral("\r\n"));
        lines.removeAll(QString());
        return lines;
    }

    ScriptedUiHooks hooks;
    ContainerSite site;
    QTemporaryDir dir;
    std::unique_ptr<Frame3D> frame;
    QStringList notified;
    QStringList repaints;

private:
    ScopedUiHooks scoped_;
};

} // namespace vellumo::test
