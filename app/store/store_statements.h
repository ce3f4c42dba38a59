#pragma once
// StoreStatements: every SQL text of the message store, one named statement each. The schema below
// is the one definition of the tables: the build writes the templates "Vellumo.sys" and "Users.sys"
// from it, a missing template is replaced by it, and a converted file is created from it. The Jet
// texts are those the windows run; the database layer reads them and binds their values.
//
//   table     field         type      content
//   Recived   Compteur      counter   INTEGER PRIMARY KEY AUTOINCREMENT: increasing, never reused
//             FROM, TO      text      sender, recipients line
//             OnDate        text      "dd/mm/yyyy à hh:nn:ss" as the sender wrote it
//             ReceiptDate   date      receiver's clock when stored
//             Text, RTF     text      plain text; RTF, one character per byte of the RTF data
//   Sended    FROM, TO, OnDate, SendedDate (date), Text, RTF: one row per send
//   Users     Name          text      a favourite's station name, unique without regard to case
//
// Text fields have no length limit.

#include <QDate>
#include <QString>

namespace vellumo::StoreStatements {

// The tables and their indexes (the date indexes serve the purge).
inline constexpr char CreateRecived[] =
    "CREATE TABLE Recived (Compteur INTEGER PRIMARY KEY AUTOINCREMENT, \"FROM\" TEXT, \"TO\" TEXT, "
    "OnDate TEXT, ReceiptDate DATETIME, Text TEXT, RTF TEXT)";
inline constexpr char CreateRecivedByDate[] = "CREATE INDEX RecivedReceiptDate ON Recived (ReceiptDate)";
inline constexpr char CreateSended[] =
    "CREATE TABLE Sended (\"FROM\" TEXT, \"TO\" TEXT, OnDate TEXT, SendedDate DATETIME, Text TEXT, RTF TEXT)";
inline constexpr char CreateSendedByDate[] = "CREATE INDEX SendedSendedDate ON Sended (SendedDate)";
inline constexpr char CreateUsers[] = "CREATE TABLE Users (Name TEXT NOT NULL UNIQUE COLLATE NOCASE)";

// The schema of each file: "Vellumo.dbo", "Users.dbo".
inline constexpr const char* MessageSchema[] = {CreateRecived, CreateRecivedByDate, CreateSended, CreateSendedByDate};
inline constexpr const char* UsersSchema[] = {CreateUsers};

// The received messages, newest last.
inline constexpr char SelectRecived[] = "SELECT * FROM Recived ORDER BY Compteur";
// Record sources of the history and of the favourites.
inline constexpr char SendedTable[] = "Sended";
inline constexpr char UsersTable[] = "Users";

// Purge: rows stored strictly before the given day at 00:00.
QString PurgeRecived(const QDate& day);
QString PurgeSended(const QDate& day);
// Deleting one favourite: the name as an SQL string literal, its single quotes doubled.
QString DeleteUser(const QString& name);

} // namespace vellumo::StoreStatements
