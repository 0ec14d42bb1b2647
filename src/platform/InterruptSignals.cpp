// The handler does only what is safe in a signal handler: a lock-free atomic store and write(2).
#include "platform/InterruptSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace stampwise {

namespace {

std::atomic<int> receivedSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the handler needs a lock-free flag");
std::atomic<int> wakeWriteEnd{-1};
int wakeReadEnd = -1;

extern "C" void OnInterruptSignal(int signal) {
    const int savedErrno = errno;
    int none = 0;
    receivedSignal.compare_exchange_strong(none, signal);
    const int fd = wakeWriteEnd.load();
    if (fd >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(fd, &byte, 1);  // a full pipe is awake
    }
    errno = savedErrno;
}

}  // namespace

void InstallInterruptHandlers() {
    if (wakeReadEnd >= 0) return;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeReadEnd = ends[0];
        wakeWriteEnd.store(ends[1]);
    }
    struct sigaction action {};
    action.sa_handler = OnInterruptSignal;
    sigemptyset(&action.sa_mask);
    // Restarted calls: the saves' reads and writes go on, the batch stops between files.
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) ::sigaction(signal, &action, nullptr);
}

int InterruptSignal() { return receivedSignal.load(); }

int InterruptWakeDescriptor() { return wakeReadEnd; }

}  // namespace stampwise
