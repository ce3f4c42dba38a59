// desktop_probe: another application on a desktop scenario's screen, beside the program under test.
//
//   desktop_probe typing <file>  a window "Probe - typing" with a one-line text box that has the focus;
//                                its text is written to <file> at every change.
//   desktop_probe topmost        a window "Probe - top most", hidden at first, driven by lines on the
//                                standard input: "show" (shown and activated, as a user opens it),
//                                "hide", "topmost" (SetTopMost), "nottopmost" (SetNotTopMost), "quit";
//                                each line done is answered "done <line>" on the standard output.
#include "platform/widgets/top_most.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QSocketNotifier>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <unistd.h>

namespace {

int typing(const QString& file) {
    QWidget window;
    window.setWindowTitle(QStringLiteral("Probe - typing"));
    auto* layout = new QVBoxLayout(&window);
    auto* line = new QLineEdit(&window);
    layout->addWidget(line);
    QObject::connect(line, &QLineEdit::textChanged, [file](const QString& text) {
        QFile out(file);
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            out.write(text.toUtf8());
    });
    window.setGeometry(60, 60, 360, 80);
    window.show();
    window.activateWindow();
    line->setFocus();
    return QApplication::exec();
}

int topMost() {
    QWidget window;
    window.setWindowTitle(QStringLiteral("Probe - top most"));
    window.setGeometry(200, 120, 420, 260);
    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            QApplication::quit();
            return;
        }
        pending.append(buffer, static_cast<int>(n));
        for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            const QByteArray command = pending.left(end).trimmed();
            pending.remove(0, end + 1);
            if (command == "show") {
                window.show();
                window.raise();
                window.activateWindow();
            } else if (command == "hide") {
                window.hide();
            } else if (command == "topmost") {
                vellumo::SetTopMost(&window);
            } else if (command == "nottopmost") {
                vellumo::SetNotTopMost(&window);
            } else if (command == "quit") {
                QApplication::quit();
            }
            std::printf("done %s\n", command.constData());
            std::fflush(stdout);
        }
    });
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() >= 3 && args[1] == QStringLiteral("typing"))
        return typing(args[2]);
    if (args.size() >= 2 && args[1] == QStringLiteral("topmost"))
        return topMost();
    std::fprintf(stderr, "usage: desktop_probe typing <file> | topmost\n");
    return 2;
}
