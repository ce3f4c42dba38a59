// viewer_bench: how long the message viewer takes to show documents of the shapes that make Qt's text
// layout slow, at growing sizes, as the main window shows a received message. Run by hand:
//   build/bench/viewer_bench [shape ...]
// For each document: the time until loadRtf returns (read, cut and first screen laid out: "shown"),
// then the time until the view has laid out the rest in its steps and the longest of those steps (the
// longest time the event loop waited), whether the document was cut, and the peak memory so far.
#include "platform/richtext/rich_text_viewer.h"
#include "tests/support/big_documents.h"
#include "tests/support/program_process.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>

using namespace vellumo;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    struct Shape {
        const char* name;
        QByteArray unit;
    };
    const Shape shapes[] = {
        {"words-one-paragraph", "Bonjour le monde, voici un message ordinaire. "},
        {"words-paragraphs", "Bonjour le monde, voici un message ordinaire.\\par "},
        {"short-paragraphs", "x\\par "},
        {"bold-alternations", "\\b x\\b0 y"},
        {"unbreakable-word", "x"},
    };
    QStringList only;
    for (int i = 1; i < argc; ++i)
        only << QString::fromLocal8Bit(argv[i]);

    RichTextViewer viewer;
    viewer.resize(600, 400);
    viewer.show();
    QApplication::processEvents();
    std::printf("%-22s %9s %9s %11s %11s %5s %9s\n", "shape", "MB", "shown ms", "laid out ms", "longest ms", "cut",
                "peak MB");
    for (const Shape& shape : shapes) {
        if (!only.isEmpty() && !only.contains(QString::fromLatin1(shape.name)))
            continue;
        for (const qsizetype bytes :
             {qsizetype{100'000}, qsizetype{800'000}, qsizetype{3'200'000}, qsizetype{30'000'000}}) {
            const QByteArray rtf = test::rtfDocument(test::repeated(shape.unit, bytes));
            viewer.loadRtf("{\\rtf1 }");
            QApplication::processEvents();
            QElapsedTimer clock;
            clock.start();
            viewer.loadRtf(rtf);
            const double shown = static_cast<double>(clock.nsecsElapsed()) / 1e6;
            // The rest is laid out by steps while the loop runs: run it until 200 ms pass without work.
            double longest = 0;
            double lastWork = shown;
            QElapsedTimer quiet;
            quiet.start();
            while (quiet.elapsed() < 200) {
                QElapsedTimer one;
                one.start();
                QApplication::processEvents();
                const double ms = static_cast<double>(one.nsecsElapsed()) / 1e6;
                if (ms > 1) {
                    quiet.restart();
                    lastWork = static_cast<double>(clock.nsecsElapsed()) / 1e6;
                }
                longest = std::max(longest, ms);
            }
            std::printf("%-22s %9.1f %9.0f %11.0f %11.0f %5s %9.0f\n", shape.name, static_cast<double>(bytes) / 1e6,
                        shown, lastWork, longest, viewer.isCut() ? "yes" : "no",
                        static_cast<double>(test::procStatusKiB(QCoreApplication::applicationPid(), "VmHWM:")) * 1024 /
                            1e6);
            std::fflush(stdout);
        }
    }
    return 0;
}
