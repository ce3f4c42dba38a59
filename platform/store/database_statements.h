#pragma once
// DatabaseStatements: every SQLite text the database layer runs, one named statement each. Values
// are always bound (?1, ?2, ...). Where a statement names a table or a field (%1, %2, ...), the name
// comes from the file's own schema (looked up with FindTable and TableColumns) and is quoted by
// Database::quoteIdentifier; no text of a caller is ever pasted into SQL. The names are also what
// the fault hook (DatabaseFaults) is asked with.

namespace vellumo {

struct Statement {
    const char* name;
    const char* sql;
};

namespace DatabaseStatements {

// Connection settings: WAL with a synchronous commit, so that a row whose add has returned is on
// the disk; NORMAL only for the benchmark's comparison.
inline constexpr Statement JournalWal{"JournalWal", "PRAGMA journal_mode = WAL"};
inline constexpr Statement SynchronousFull{"SynchronousFull", "PRAGMA synchronous = FULL"};
inline constexpr Statement SynchronousNormal{"SynchronousNormal", "PRAGMA synchronous = NORMAL"};
inline constexpr Statement ReadSynchronous{"ReadSynchronous", "PRAGMA synchronous"};
inline constexpr Statement ReadJournalMode{"ReadJournalMode", "PRAGMA journal_mode"};

// Schema look-ups.
inline constexpr Statement FindTable{
    "FindTable", "SELECT name FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE"};
inline constexpr Statement TableColumns{"TableColumns", "SELECT name, type, pk FROM pragma_table_info(?1, 'main')"};
inline constexpr Statement ListTables{
    "ListTables", "SELECT name, sql FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite!_%' "
                  "ESCAPE '!' ORDER BY rowid"};

// The store's format version, kept in the file itself.
inline constexpr Statement CreateVersionTable{"CreateVersionTable", "CREATE TABLE StoreFormat (Version TEXT NOT NULL)"};
inline constexpr Statement WriteVersion{"WriteVersion", "INSERT INTO StoreFormat (Version) VALUES (?1)"};
inline constexpr Statement ReadVersion{"ReadVersion", "SELECT Version FROM StoreFormat"};
inline constexpr char VersionTable[] = "StoreFormat";

// Transactions.
inline constexpr Statement Begin{"Begin", "BEGIN IMMEDIATE"};
inline constexpr Statement Commit{"Commit", "COMMIT"};
inline constexpr Statement Rollback{"Rollback", "ROLLBACK"};

// Recordsets: the ordered keys of the rows, then one row at a time by key.
inline constexpr Statement SelectKeys{"SelectKeys", "SELECT rowid FROM %1%2 ORDER BY %3"};
inline constexpr Statement SelectRow{"SelectRow", "SELECT * FROM %1 WHERE rowid = ?1"};
inline constexpr Statement InsertRow{"InsertRow", "INSERT INTO %1 (%2) VALUES (%3)"};
inline constexpr Statement InsertDefaultRow{"InsertDefaultRow", "INSERT INTO %1 DEFAULT VALUES"};
inline constexpr Statement DeleteRow{"DeleteRow", "DELETE FROM %1 WHERE rowid = ?1"};
// Parts of the statements above: the condition of a WHERE and the default order of a table.
inline constexpr char WhereClause[] = " WHERE %1 %2 ?%3";
inline constexpr char KeyOrder[] = "rowid";

// Statements of the callers' (Jet) texts.
inline constexpr Statement DeleteWhere{"DeleteWhere", "DELETE FROM %1%2"};

// Table definitions of the store's own schema (the caller's constant texts) run under this name.
inline constexpr char Definition[] = "Definition";

// Copying every table of another file into this one (format conversion).
inline constexpr Statement AttachSource{"AttachSource", "ATTACH DATABASE ?1 AS source"};
inline constexpr Statement DetachSource{"DetachSource", "DETACH DATABASE source"};
inline constexpr Statement SourceTables{
    "SourceTables", "SELECT name, sql FROM source.sqlite_master WHERE type = 'table' AND "
                    "name NOT LIKE 'sqlite!_%' ESCAPE '!' AND name <> 'StoreFormat' ORDER BY rowid"};
inline constexpr Statement SourceColumns{"SourceColumns", "SELECT name FROM pragma_table_info(?1, 'source')"};
inline constexpr Statement CopyRows{"CopyRows", "INSERT INTO main.%1 (%2) SELECT %2 FROM source.%1"};
inline constexpr Statement BothHaveSequences{
    "BothHaveSequences", "SELECT (SELECT count(*) FROM source.sqlite_master WHERE name = 'sqlite_sequence') > 0 "
                         "AND (SELECT count(*) FROM main.sqlite_master WHERE name = 'sqlite_sequence') > 0"};
// Counters keep their last value, so a converted file never hands out a key that was deleted.
inline constexpr Statement RaiseSequences{
    "RaiseSequences",
    "UPDATE main.sqlite_sequence SET seq = max(seq, (SELECT s.seq FROM source.sqlite_sequence s "
    "WHERE s.name = main.sqlite_sequence.name)) WHERE name IN (SELECT name FROM source.sqlite_sequence)"};
inline constexpr Statement AddSequences{
    "AddSequences", "INSERT INTO main.sqlite_sequence (name, seq) SELECT name, seq FROM source.sqlite_sequence "
                    "WHERE name NOT IN (SELECT name FROM main.sqlite_sequence)"};

} // namespace DatabaseStatements
} // namespace vellumo
