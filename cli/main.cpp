// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliProgram.h"

#include <csignal>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // A closed output or a file-size limit is a failed write (EPIPE, EFBIG) with a message and
    // an error status, never death by a signal.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    return tessary::CliProgram().Run(std::vector<std::string>(argv + 1, argv + argc));
}
