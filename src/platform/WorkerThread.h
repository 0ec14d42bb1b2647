// A joinable thread with a stack of the size its caller chooses. std::thread takes the default
// (the stack limit, 8 MiB as a rule), and a batch's threads, many of them waiting for the disk with
// next to nothing on their stacks, would then reserve more address space than the pictures under a
// `ulimit -v`. Only the size differs: the body runs, and is joined, as on a std::thread.
#pragma once

#include <cstddef>
#include <functional>

#include <pthread.h>

namespace stampwise {

class WorkerThread {
public:
    // Starts body on a thread whose stack holds stackBytes (rounded up to what the system takes).
    // Throws std::system_error when no thread can be had. An exception leaving body ends the
    // process, as with std::thread.
    WorkerThread(std::size_t stackBytes, std::function<void()> body);
    WorkerThread(WorkerThread&& other) noexcept;
    WorkerThread& operator=(WorkerThread&&) = delete;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;
    // Waits for body to return.
    ~WorkerThread();

private:
    pthread_t thread_{};
    bool isJoinable_ = false;
};

// The address space one WorkerThread of stackBytes reserves, at most: its stack, the guard page
// below it and its own data.
std::size_t WorkerThreadReservation(std::size_t stackBytes);

}  // namespace stampwise
