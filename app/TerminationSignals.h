#pragma once
// SIGTERM, SIGINT and SIGHUP (log-off, shutdown, a terminal closed) end the
// program in order, quickly enough that a session manager's SIGKILL does not
// follow: the running step is left, open boxes close, and the end sequence
// saves everything, instead of the process dying with the operator's edits.

#include <functional>

// Installs the handlers, as early as possible: a signal that comes before
// onTerminationSignal is called waits for it.
void catchTerminationSignals();

// `stop` runs on the user-interface thread, from the event queue, when a
// signal has come (several close together count as one). Needs the
// application object.
void onTerminationSignal(std::function<void()> stop);
