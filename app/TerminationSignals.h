#pragma once
// SIGTERM, SIGINT and SIGHUP (log-off, shutdown, a terminal closed) end the
// program the way File > Exit does: the loop finishes its step and the end
// sequence saves everything, instead of the process dying with the
// operator's edits.

#include <functional>

// Installs the handlers; `stop` runs on the user-interface thread, from the
// event queue, once per signal.
void stopOnTerminationSignals(std::function<void()> stop);
