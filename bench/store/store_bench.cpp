// store_bench: rows per second added to table Recived the way the receive handler adds them (one
// add, six fields, update, move last; one commit per row), with a 1 KiB text and a 4 KiB RTF body.
// Runs with the store's durability settings (WAL, synchronous FULL) and, for comparison, with
// synchronous NORMAL. The file lives in a temporary folder under the given folder (default: the
// current one), so that it measures the disk the program would use. Usage: store_bench [rows] [folder]
#include "app/store/message_store.h"
#include "app/store/store_statements.h"
#include "platform/runtime/runtime_error.h"
#include "platform/store/database.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

namespace {

double rowsPerSecond(const QString& folder, int rows, vellumo::Database::Durability durability) {
    using namespace vellumo;
    QTemporaryDir dir(QDir(folder).filePath("store-bench-XXXXXX"));
    const QString path = QDir(dir.path()).filePath(MessageStore::MessageDatabase);
    MessageStore::createFile(path, MessageStore::Kind::Messages);
    Database db = Database::open(path, durability);
    auto rs = db.openRecordset(StoreStatements::SelectRecived);
    const QString text(1024, u't');
    const QString rtf = QStringLiteral("{\\rtf1\\ansi ") + QString(4096 - 13, u'r') + u'}';
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rows; ++i) {
        rs->addNew();
        rs->setField("FROM", "STATION-42");
        rs->setField("TO", "ME;");
        rs->setField("OnDate", "01/03/2026 à 10:00:00");
        rs->setField("ReceiptDate", QDateTime::currentDateTime());
        rs->setField("Text", text);
        rs->setField("RTF", rtf);
        rs->update();
        rs->moveLast();
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    if (rs->recordCount() != rows)
        std::fprintf(stderr, "store_bench: %d rows stored of %d\n", rs->recordCount(), rows);
    return rows / seconds;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 2000;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir::currentPath();
    if (rows <= 0) {
        std::fprintf(stderr, "usage: store_bench [rows] [folder]\n");
        return 2;
    }
    try {
        const double full = rowsPerSecond(folder, rows, vellumo::Database::Durability::Full);
        const double normal = rowsPerSecond(folder, rows, vellumo::Database::Durability::Normal);
        std::printf("Recived adds, %d rows of 1 KiB text + 4 KiB RTF, one commit each, in %s\n", rows,
                    qPrintable(QDir(folder).absolutePath()));
        std::printf("  WAL, synchronous FULL (durable):   %10.0f rows/s  (goal >= 1000)\n", full);
        std::printf("  WAL, synchronous NORMAL:           %10.0f rows/s\n", normal);
    } catch (const vellumo::RuntimeError& e) {
        std::fprintf(stderr, "store_bench: %s\n", qPrintable(e.description()));
        return 1;
    }
    return 0;
}
