// Under Wine the program is a Linux process as well, and Wine turns only SIGINT into a console event (Ctrl+C):
// SIGTERM and SIGHUP would end the program at once, with the port half-way through an exchange and without
// the interrupted exit code. So, under Wine only, the program takes those two signals itself through the
// Linux system calls. The handler only notes the signal; the event loop looks at the note between waits.
#pragma once

namespace zentorctl {

// Takes SIGTERM and SIGHUP; false (and nothing done) when the program does not run under Wine.
bool WatchWineEndSignals();
// Gives the two signals back to their earlier handling.
void ReleaseWineEndSignals();
// Whether SIGTERM or SIGHUP came since WatchWineEndSignals.
bool WineEndSignalCame();

} // namespace zentorctl
