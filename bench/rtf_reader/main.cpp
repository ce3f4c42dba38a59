// Reading time of the RTF reader for documents of growing size and of several shapes, to show that the
// time per megabyte stays flat (linear reading), hostile shapes included. Run by hand:
//   build/bench/rtf_reader_bench
#include "platform/richtext/rtf_reader.h"
#include "tests/support/big_documents.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTextDocument>

#include <cstdio>
#include <functional>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    struct Shape {
        const char* name;
        QByteArray unit;
    };
    const Shape shapes[] = {
        {"plain text", "Bonjour le monde, voici un message ordinaire. "},
        {"format runs", "{\\b gras}\\i it\\i0 {\\cf1 rouge} \\'e9\\u233? "},
        {"paragraphs", "ligne\\par "},
        {"deep nesting", QByteArray(500, '{') + "x" + QByteArray(500, '}')},
        {"skipped groups", "{\\*\\unknown{\\a{\\b{\\c x}}}}{\\info{\\title t}}"},
        {"picture hex (not a picture)", "{\\pict\\pngblip 00112233445566778899aabbccddeeff}"},
    };
    std::printf("%-28s %8s %10s %10s\n", "shape", "MB", "ms", "ms/MB");
    for (const Shape& shape : shapes) {
        for (qsizetype mb : {1, 2, 4, 8}) {
            const QByteArray rtf = vellumo::test::rtfDocument(vellumo::test::repeated(shape.unit, mb * 1024 * 1024));
            QTextDocument doc;
            QElapsedTimer timer;
            timer.start();
            vellumo::RtfReader::read(rtf, doc);
            const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
            std::printf("%-28s %8lld %10.1f %10.1f\n", shape.name, static_cast<long long>(mb), ms,
                        ms / static_cast<double>(mb));
        }
    }
    return 0;
}
