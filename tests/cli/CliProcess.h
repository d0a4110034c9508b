// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

// Runs the built tessary-cli as a child process and collects what it prints.
namespace clitest {

struct CliResult {
    int ExitCode = -1; // -1 when the process did not exit normally
    int Signal = 0;    // the signal that ended it, 0 when it exited
    std::string Out;
    std::string Err;
    long PeakMemoryKb = 0; // the largest resident set the process had
};

class CliProcess {
public:
    enum class Stdio {
        Pipes,    // stdin /dev/null, stdout and stderr separate pipes
        Terminal, // stdin, stdout and stderr one pseudo-terminal (all output in Out)
    };

    // `fileSizeLimit` (bytes, -1 for none) is set in the child as `ulimit -f` would.
    CliProcess(const std::vector<std::string>& args, const std::string& folder,
               Stdio stdio = Stdio::Pipes, long long fileSizeLimit = -1);
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    // Reads output until `text` has appeared in stderr (or on the terminal); false on time-out
    // or when the process ended first.
    bool WaitFor(std::string_view text, std::chrono::milliseconds timeout);
    void Type(std::string_view keys); // terminal only
    void Send(int signal);
    // Waits for the end (killing the process after `timeout`) and returns everything.
    CliResult Finish(std::chrono::milliseconds timeout = std::chrono::seconds(60));

private:
    bool ReadSome(int timeoutMs);

    pid_t pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    CliResult result_;
    bool finished_ = false;
};

// Runs to the end with pipes.
CliResult RunCli(const std::vector<std::string>& args, const std::string& folder,
                 long long fileSizeLimit = -1);

} // namespace clitest
