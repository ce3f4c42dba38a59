#pragma once
// OperationsFichiers: the small file, folder and INI routines of the whole program, shared with the
// launcher (one library, vellumo::operations_fichiers). Free functions without state. Paths use the
// native "/" where the routines speak of a backslash. INI values go through IniFile (Windows-1252
// bytes, a 255-character read buffer: at most 254 characters come back).
//
// Errors: only MakePath of a path without "/" raises (RuntimeError 75, source "OperationsFichiers");
// the other routines turn every failure into their result or drop it.

#include <QString>

#include <cstdint>

namespace vellumo::OperationsFichiers {

// The value of Key in [Section] of File; Default for a missing file, section or key.
QString IniRead(const QString& Section, const QString& Key, const QString& Default, const QString& File);
// Writes Key=Value in [Section] of File, creating what is missing; a failure is not reported.
void IniWrite(const QString& Section, const QString& Key, const QString& Value, const QString& File);
// Path without surrounding blanks, with one "/" at its end ("" gives "/").
QString AddBackslash(const QString& Path);
// AddBackslash of the program's folder as callers pass it.
QString PathWithSlash(const QString& Path);
// True when the size of the named file can be read; false on any failure.
bool FileExists(const QString& Name);
// Deletes the named file, or every file matching the wildcards "*" and "?" of its last component.
// 0 when done, else the run-time error number: 53 no such file, 76 no such folder, 75 no right.
std::int16_t DeleteFileCode(const QString& Name);
// Creates every folder of Path but its last component (all of them when Path ends with "/").
void MakePath(const QString& Path);

} // namespace vellumo::OperationsFichiers
