#pragma once
// ModMain: the launcher's start-up. Run without arguments it starts the main program only when the
// main program's settings say StartWithWindows; run with "/t" (the main program quitting for a
// restart) it waits 2000 ms on frmStart's timer, so that the quitting copy has ended, then starts it
// whatever the settings say. It reads one setting and starts one program: it writes nothing, shows
// nothing and reports no failure. Stateless; frmStart holds what lives on.
//
//   argument text (blanks trimmed, lower case) | action
//   -------------------------------------------|----------------------------------------------------
//   "/t"                                       | enable Timer1, keep running; its handler starts, ends
//   anything else, none included               | [Vellumo] StartWithWindows of Vellumo.ini (default
//                                              | "0"; the file of UserFolders::configFolder, as the
//                                              | program's): not exactly "0" -> start; then end at once
//
// Only blanks (U+0020) are trimmed: a tab or a line break around "/t" makes it no restart.

#include <QString>
#include <QStringList>

namespace vellumo {

class frmStart;

namespace ModMain {

// The command line's argument text: the arguments after the program's name, joined by one blank.
QString ArgumentText(const QStringList& arguments);
// True when the argument text asks for a restart.
bool IsRestart(const QString& argumentText);
// The start-up procedure. True when the launcher must keep running its event loop (a restart is
// pending on form's timer); false when it has done everything and ends now.
bool Main(frmStart& form, const QString& argumentText);

} // namespace ModMain

} // namespace vellumo
