#pragma once
// SIGTERM and SIGHUP (a logout, the power button, a service stopping the
// session) would end the program at once, losing a count whose saves are
// failing. Their handler only writes a byte into a pipe; the user-interface
// thread reads it (QSocketNotifier) and ends every event loop, modal ones
// included (they end as cancelled). main then makes one last save and the
// program ends normally, which releases the folder's lock.

namespace tallivo {

// Installs the handlers; call once the application object exists.
void InstallShutdownSignals();
// Whether one of those signals ended the event loops.
bool ShutdownRequested();

} // namespace tallivo
