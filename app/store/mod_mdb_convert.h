#pragma once
// modMDBConvert: brings a message store of an older format up to the current one before the
// program opens it. The format version is the text the store keeps in the file (Database::version),
// read as a single-precision number (its leading number, 0 when it has none or the file cannot be
// read as a store).
//
//   version v            action                                   result
//   0 (unreadable)       none                                     false
//   exactly 1.0, 1.1     convert (source engine type 1, 2)        true when converted
//   2.0 <= v <= 2.9      convert (source engine type 3)
//   3.0 <= v <= 3.9      convert (source engine type 4)
//   4.0 <= v <= 4.9      none: already current                    true
//   any other value      none: the file is left as it is         false
//
// Converting: the old file goes to its full name followed by ".DB" (an earlier backup is deleted
// first), and every table is copied from it into a fresh file of the current format built under a
// temporary name and renamed to the store's name. Any failure after the rename puts the old file
// back under its own name. Holds no state.

#include <QString>

namespace vellumo::modMDBConvert {

// The version of the store at path, 0 on any error.
float GetDatabaseVersion(const QString& path);
// The engine type of the source for a version that converts, 0 for one that does not.
int SourceEngineType(float version);
// True when the store at path is of the current format afterwards.
bool ConvertDatabase(const QString& path);
// Deletes the file, errors ignored.
void KillFile(const QString& path);

} // namespace vellumo::modMDBConvert
