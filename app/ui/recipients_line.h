#pragma once
// RecipientsLine: what a recipients line names. The line is the compose window's `Text1`, stored as
// the message's TO and sent as it stands; each station it names gets the message once.
//
//   line                  | stations                | why
//   ----------------------|-------------------------|------------------------------------------------
//   "PC2;PC3;"            | PC2, PC3                | every name is followed by ";"
//   "PC2;PC3"             | PC2, PC3                | a piece after the last ";" is a name too
//   " PC2 ; PC3;"         | PC2, PC3                | blanks around a name are not part of it
//   "PC2;;pc2;PC3;PC2;"   | PC2, PC3                | empty pieces skipped; a name seen before, in any
//                         |                         | case, is the same station (the first spelling stays)
//
// A reply to all builds a new line from a message: its FROM, then its TO, without the own station
// and without repeats, each name followed by ";". A name picked from a list is added to the line as
// the user left it (Append):
//
//   line      | picked | line afterwards | why
//   ----------|--------|-----------------|------------------------------------------------------
//   "APC2;"   | PC2    | "APC2;PC2;"     | whole entries are compared, never a part of one
//   "PC3"     | PC2    | "PC3;PC2;"      | the typed name gets its ";" before the new one
//   "PC2;"    | pc2    | "PC2;"          | already there (in any case, with any blanks): unchanged
//   "  "      | PC2    | "PC2;"          | a line of blanks holds no name
//
// Holds no state.

#include <QString>
#include <QStringList>

namespace vellumo::RecipientsLine {

// The stations of a line, in order, each once.
QStringList Stations(const QString& line);
// The line of those stations, each followed by ";".
QString Join(const QStringList& stations);
// The stations of line without ownName (compared as the stations are).
QStringList Without(const QStringList& stations, const QString& ownName);
// The line with name added at its end, followed by ";", unless the line names that station already.
QString Append(const QString& line, const QString& name);

} // namespace vellumo::RecipientsLine
