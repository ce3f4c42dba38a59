#pragma once
// Helpers that run the Qt event loop until something happens, with a time-out, so that tests of
// sockets, timers and posted events wait for the event and never sleep for a fixed time.

#include <functional>

namespace vellumo::test {

// Runs the event loop until pred() is true or timeoutMs have passed; returns pred()'s last value.
bool waitUntil(const std::function<bool()>& pred, int timeoutMs = 5000);
// Runs the event loop for about ms milliseconds (to show that something does NOT happen).
void runEventLoopFor(int ms);

} // namespace vellumo::test
