// libFuzzer driver for the RTF reader: any bytes, read into a document and laid out as the viewer
// would show them. QTextDocument needs the GUI application (fonts), made once on the offscreen platform.
#include "platform/richtext/rtf_reader.h"

#include <QByteArrayView>
#include <QGuiApplication>
#include <QTextDocument>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "rtf_reader_fuzz";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QTextDocument document;
    vellumo::RtfReader::read(QByteArrayView(data, static_cast<qsizetype>(size)), document);
    document.setTextWidth(400);
    (void)document.size();
    (void)document.toPlainText();
    return 0;
}
