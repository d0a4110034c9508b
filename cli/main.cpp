#include "cli/CliProgram.h"

#include <csignal>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // A closed output is a failed write with an error status, never death by a signal.
    std::signal(SIGPIPE, SIG_IGN);
    return tessary::CliProgram().Run(std::vector<std::string>(argv + 1, argv + argc));
}
