#include "app/store/mod_mdb_convert.h"

#include "app/store/message_store.h"
#include "platform/runtime/runtime_error.h"
#include "platform/store/database.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace vellumo::modMDBConvert {

namespace {

// The leading number of a text, as Val reads it ("3.0" is 3, "4.0 beta" is 4, "x" is 0).
float leadingNumber(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^\\s*([+-]?(\\d+\\.?\\d*|\\.\\d+))"));
    const QRegularExpressionMatch m = number.match(text);
    return m.hasMatch() ? m.captured(1).toFloat() : 0.0f;
}

bool within(float v, float low, float high) {
    return v >= low && v <= high;
}

} // namespace

float GetDatabaseVersion(const QString& path) {
    if (!QFileInfo(path).isFile())
        return 0.0f;
    try {
        return leadingNumber(Database::inspect(path).version());
    } catch (const RuntimeError&) {
        return 0.0f;
    }
}

int SourceEngineType(float v) {
    if (v == 1.0f)
        return 1;
    if (v == 1.1f)
        return 2;
    if (within(v, 2.0f, 2.9f))
        return 3;
    if (within(v, 3.0f, 3.9f))
        return 4;
    return 0;
}

void KillFile(const QString& path) {
    QFile::remove(path);
}

bool ConvertDatabase(const QString& path) {
    const float version = GetDatabaseVersion(path);
    if (version == 0.0f)
        return false;
    if (within(version, 4.0f, 4.9f))
        return true;
    if (SourceEngineType(version) == 0)
        return false; // a version of no known format: moving the file away would only lose it
    // A journal still beside the file means another copy has it open, with rows not yet in the
    // file itself: renaming the file now would part them from it.
    if (QFileInfo::exists(path + QStringLiteral("-wal")))
        return false;

    const QString backup = path + QStringLiteral(".DB");
    KillFile(backup);
    // Journal files of an earlier backup would be replayed onto this one when it is read.
    MessageStore::removeJournals(backup);
    if (!QFile::rename(path, backup))
        return false;
    try {
        MessageStore::buildFile(path, MessageStore::Kind::Messages,
                                [&backup](Database& fresh) { fresh.copyTablesFrom(backup); });
        return true;
    } catch (const RuntimeError&) {
        // Put the old file back under its own name; buildFile left nothing there.
        MessageStore::removeFile(path);
        QFile::rename(backup, path);
        return false;
    }
}

} // namespace vellumo::modMDBConvert
