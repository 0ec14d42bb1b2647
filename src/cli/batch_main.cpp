// stampwise-batch: the batch command's entry. Everything but the process set-up is in
// BatchCommand.cpp, where the tests reach it.
#include <unistd.h>

#include <iostream>
#include <istream>
#include <string>
#include <vector>

#include "platform/InterruptSignals.h"
#include "cli/BatchCommand.h"
#include "imaging/PictureMemory.h"

int main(int argc, char** argv) {
    stampwise::KeepPictureMemoryForReuse();
    std::ios::sync_with_stdio(false);
    // Ctrl-C, a closed terminal or pipe, a stop from a scheduler: no new file starts, the files
    // under way finish (no temporary file is left), and the status says which signal it was.
    stampwise::InstallInterruptHandlers();
    // A list on standard input is read up to a signal, not only up to the pipe's end.
    stampwise::InterruptibleInput standardInput(STDIN_FILENO);
    std::istream in(&standardInput);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    // The "K/N" line rewrites itself with carriage returns: only a person at a terminal wants it.
    const bool showProgress = isatty(STDERR_FILENO) == 1;
    return stampwise::RunBatchCommand(arguments, in, std::cout, std::cerr, showProgress,
                                      stampwise::InterruptSignal);
}
