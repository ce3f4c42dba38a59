#pragma once
// MessageStore: the files of the message store in the user's data folder, their empty templates in
// the program folder (the same folder for a copy that is not installed), and the opening of each as
// the windows need it. The tables and the SQL texts are StoreStatements';
// the conversion of an older format is modMDBConvert's.
//
//   file           tables            template      made when missing by
//   "Vellumo.dbo"  Recived, Sended   "Vellumo.sys" the main window's start-up (openMessages)
//   "Users.dbo"    Users             "Users.sys"   the compose window's load (openUsers)
//
// A missing template is not fatal: the database file is then created from the schema. A store file
// is always built under a temporary name and renamed into place once complete, so a failure never
// leaves a half-made store under the real name. Holds no state.

#include "platform/store/database.h"

#include <QString>

namespace vellumo {

class MessageStore {
public:
    enum class Kind { Messages, Users };

    static constexpr char MessageDatabase[] = "Vellumo.dbo";
    static constexpr char MessageTemplate[] = "Vellumo.sys";
    static constexpr char UsersDatabase[] = "Users.dbo";
    static constexpr char UsersTemplate[] = "Users.sys";
    // The format version that this program writes.
    static constexpr char CurrentVersion[] = "4.0";

    // Writes a fresh, empty store of the current format at path (replacing a file there, which
    // must not be a store in use) after
    // fill, if given, has put its rows into it. Raises RuntimeError; path is untouched then.
    template <typename Fill> static void buildFile(const QString& path, Kind kind, Fill fill);
    static void createFile(const QString& path, Kind kind);

    // When databasePath is missing: copies templatePath to it, or, when the template is missing
    // too, creates the file from the schema. Returns true when it made the file.
    static bool ensureFile(const QString& databasePath, const QString& templatePath, Kind kind);

    // Start-up of the received messages: make "Vellumo.dbo" in dataDir when missing (from the
    // template "Vellumo.sys" of templateDir), convert an older format (its result is not used), open it.
    static Database openMessages(const QString& dataDir, const QString& templateDir);
    static Database openMessages(const QString& dir) { return openMessages(dir, dir); }
    // The favourites: make "Users.dbo" in dataDir when missing (from "Users.sys" of templateDir), open it.
    static Database openUsers(const QString& dataDir, const QString& templateDir);
    static Database openUsers(const QString& dir) { return openUsers(dir, dir); }

    // Removes a store file with the journal files the engine may keep beside it, or only those
    // journal files (which must not belong to a store in use); errors ignored.
    static void removeFile(const QString& path);
    static void removeJournals(const QString& path);

private:
    static QString startBuild(const QString& path);
    static void defineSchema(Database& db, Kind kind);
    static void finishBuild(Database& db, const QString& temporary, const QString& path);
};

template <typename Fill> void MessageStore::buildFile(const QString& path, Kind kind, Fill fill) {
    const QString temporary = startBuild(path);
    try {
        Database db = Database::create(temporary, QString::fromLatin1(CurrentVersion));
        defineSchema(db, kind);
        fill(db);
        finishBuild(db, temporary, path);
    } catch (...) {
        removeFile(temporary);
        throw;
    }
}

} // namespace vellumo
