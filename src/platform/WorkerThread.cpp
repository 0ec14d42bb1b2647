#include "platform/WorkerThread.h"

#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <system_error>
#include <utility>

namespace stampwise {

namespace {

std::size_t PageBytes() {
    const long page = ::sysconf(_SC_PAGESIZE);
    return page > 0 ? static_cast<std::size_t>(page) : 4096;
}

std::size_t RoundedStack(std::size_t stackBytes) {
    const std::size_t page = PageBytes();
    const long least = PTHREAD_STACK_MIN;  // a call to sysconf in newer C libraries
    const std::size_t atLeast = std::max(stackBytes, static_cast<std::size_t>(std::max(least, 0L)));
    return (atLeast + page - 1) / page * page;
}

extern "C" void* RunBody(void* body) {
    const std::unique_ptr<std::function<void()>> owned(static_cast<std::function<void()>*>(body));
    (*owned)();
    return nullptr;
}

}  // namespace

WorkerThread::WorkerThread(std::size_t stackBytes, std::function<void()> body) {
    pthread_attr_t attributes;
    int error = ::pthread_attr_init(&attributes);
    if (error != 0) throw std::system_error(error, std::generic_category(), "pthread_attr_init");
    error = ::pthread_attr_setstacksize(&attributes, RoundedStack(stackBytes));
    auto owned = std::make_unique<std::function<void()>>(std::move(body));
    if (error == 0) error = ::pthread_create(&thread_, &attributes, RunBody, owned.get());
    ::pthread_attr_destroy(&attributes);
    if (error != 0) throw std::system_error(error, std::generic_category(), "pthread_create");
    owned.release();  // the thread's now
    isJoinable_ = true;
}

WorkerThread::WorkerThread(WorkerThread&& other) noexcept
    : thread_(other.thread_), isJoinable_(std::exchange(other.isJoinable_, false)) {}

WorkerThread::~WorkerThread() {
    if (isJoinable_) ::pthread_join(thread_, nullptr);
}

std::size_t WorkerThreadReservation(std::size_t stackBytes) {
    // The guard page and the thread's own data (its static TLS, its descriptor) come on top.
    return RoundedStack(stackBytes) + 64 * 1024;
}

}  // namespace stampwise
