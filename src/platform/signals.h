// The signals that end a session, in place of Windows' end-of-session messages (platform layer).
//
// SIGTERM (a logout, kill), SIGINT (Ctrl+C), SIGHUP (the terminal goes away) and SIGPIPE (the
// reader of the output went away: `riviza-batch ... | head -1`) would end the process at once and
// leave the year locked, the Temp folder full and the share connected. watchEndSignals() turns
// each into a byte on a pipe that the event loop watches, so the program closes its main form as
// "&Beenden" does. The handler only writes the signal number to the pipe (async-signal-safe) and
// gives the signal its default action back: a second one ends a program that hangs while
// closing. SIGPIPE is ignored from then on instead, so that the writes still to come fail
// (EPIPE) rather than end the process before it has closed.
#pragma once

#include <optional>

namespace riviza::platform {

// Installs the handlers (once); the pipe's read end to watch for readability, -1 when no pipe
// could be made (the signals then keep their default action).
int watchEndSignals();
// The signal that arrived, if one is waiting on the pipe; never blocks.
std::optional<int> takeEndSignal();

}  // namespace riviza::platform
