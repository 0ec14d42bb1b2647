// The signals that end a run early: SIGINT, SIGTERM, SIGHUP and SIGPIPE (standard output closed).
// Their handler only records the first signal's number and wakes an event loop through a pipe;
// each program turns it into a request on its batch's stop source (BatchInputs::Stop), so the
// batch starts no new file and lets the files under way finish (no temporary file is left), and
// the program then exits with 128 + the number.
//
// A list read from a pipe (standard input, or a list file that is one) goes through
// InterruptibleInput: a read that a signal interrupts is restarted (SA_RESTART, so that the saves'
// reads and writes go on), which would keep the run waiting for a writer that may never close.
#pragma once

#include <streambuf>

namespace stampwise {

// Installs the handler for the four signals (once; later calls do nothing) and unblocks them, in
// case the parent left them blocked. SIGPIPE's handler also makes a write to a closed pipe fail
// with EPIPE instead of ending the process.
void InstallInterruptHandlers();

// 0, or the number of the first of the signals received since InstallInterruptHandlers.
int InterruptSignal();

// A descriptor that becomes readable when a signal arrives, for an event loop to watch; -1 before
// InstallInterruptHandlers.
int InterruptWakeDescriptor();

// The exit status of a run ended by signal: 128 + its number.
inline int InterruptedExitStatus(int signal) { return 128 + signal; }

// The bytes of a descriptor (not owned), ending at once when one of the signals arrives, whether
// or not a writer is still holding the pipe open. A failed read throws std::system_error from
// underflow, which an istream turns into badbit.
class InterruptibleInput final : public std::streambuf {
public:
    explicit InterruptibleInput(int fd) : fd_(fd) {}
    InterruptibleInput(const InterruptibleInput&) = delete;
    InterruptibleInput& operator=(const InterruptibleInput&) = delete;

protected:
    int_type underflow() override;

private:
    int fd_;
    char buffer_[64 * 1024];
};

}  // namespace stampwise
