// The handler does only what is safe in a signal handler: a lock-free atomic store and write(2).
#include "platform/InterruptSignals.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <system_error>

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
    sigset_t ours;
    sigemptyset(&ours);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        ::sigaction(signal, &action, nullptr);
        sigaddset(&ours, signal);
    }
    // A signal that came while they were blocked is handled now.
    ::pthread_sigmask(SIG_UNBLOCK, &ours, nullptr);
}

int InterruptSignal() { return receivedSignal.load(); }

int InterruptWakeDescriptor() { return wakeReadEnd; }

InterruptibleInput::int_type InterruptibleInput::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    for (;;) {
        if (InterruptSignal() != 0) return traits_type::eof();
        // The wake pipe stays readable once a signal has written to it (the batch command never
        // drains it), so a signal that comes between the check above and poll() still ends the
        // wait.
        pollfd waits[2] = {{fd_, POLLIN, 0}, {wakeReadEnd, POLLIN, 0}};
        const nfds_t count = wakeReadEnd >= 0 ? 2 : 1;
        if (::poll(waits, count, -1) < 0) {
            if (errno == EINTR) continue;
            throw std::system_error(errno, std::generic_category());
        }
        if (waits[0].revents == 0) continue;  // the signal: seen at the top
        const ssize_t got = ::read(fd_, buffer_, sizeof buffer_);
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            throw std::system_error(errno, std::generic_category());
        }
        if (got == 0) return traits_type::eof();
        setg(buffer_, buffer_, buffer_ + got);
        return traits_type::to_int_type(*gptr());
    }
}

}  // namespace stampwise
