// Who this process is and whether another one still runs: what a lock file records of its owner
// and what a run asks of a lock it finds. Only a process on this machine can be asked; a process
// on another one (over a network share) or in another process namespace cannot.
#pragma once

#include <string>

namespace stampwise {

int CurrentProcessId();

// The machine's name (gethostname); empty when it has none.
std::string MachineName();

// True only when no process with that number exists on this machine now (ESRCH): a process that
// exists but may not be signalled (another user's) still runs.
bool IsProcessGone(int pid);

}  // namespace stampwise
