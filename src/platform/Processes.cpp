#include "platform/Processes.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace stampwise {

int CurrentProcessId() { return static_cast<int>(::getpid()); }

std::string MachineName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

bool IsProcessGone(int pid) {
    if (pid <= 0) return false;
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

}  // namespace stampwise
