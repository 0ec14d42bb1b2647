// The signals that end a run early: SIGINT, SIGTERM, SIGHUP and SIGPIPE (standard output closed).
// Their handler only records the first signal's number and wakes an event loop through a pipe;
// each program turns it into a request on its batch's stop source (BatchInputs::Stop), so the
// batch starts no new file and lets the files under way finish (no temporary file is left), and
// the program then exits with 128 + the number.
#pragma once

namespace stampwise {

// Installs the handler for the four signals (once; later calls do nothing). SIGPIPE's handler
// also makes a write to a closed pipe fail with EPIPE instead of ending the process.
void InstallInterruptHandlers();

// 0, or the number of the first of the signals received since InstallInterruptHandlers.
int InterruptSignal();

// A descriptor that becomes readable when a signal arrives, for an event loop to watch; -1 before
// InstallInterruptHandlers.
int InterruptWakeDescriptor();

// The exit status of a run ended by signal: 128 + its number.
inline int InterruptedExitStatus(int signal) { return 128 + signal; }

}  // namespace stampwise
