#pragma once
// The shapes of bench_http_hostile that run against the real program: a copy of a program folder
// (the build's, or the one given, so that one bench binary measures an older program and a newer
// one alike) started on a loopback port, a child process of the bench sending the hostile load from
// many loopback addresses, and the bench itself sending a fresh legitimate message ten times from
// another address meanwhile, each on a new connection, waiting at most 10 s as a real sender does.
//
// Printed per shape: how many of the ten fresh messages were stored within 2 s (the goal is all of
// them) and their longest and median wait, the program's CPU over the run (per cent of one core),
// its resident memory at the end and at its peak, the load of the machine, and what the load side
// saw (replies, closes, refusals per second).

#include <QString>
#include <QStringList>

namespace hostile {

// The shapes, in the order "all" runs them.
const QStringList& programShapes();
// Runs one shape against a fresh copy of programFolder and prints its lines.
void runProgramShape(const QString& shape, const QString& programFolder);
// The load side of a shape, run as a child process until its standard input ends; prints
// "RESULT <text>" last. Returns the exit code.
int runLoad(const QString& shape, int port);

} // namespace hostile
