// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

// Runs an installed program as a child process: its own environment additions, its output
// collected in files (so that a chatty child never blocks on a full pipe), a signal on demand.
namespace installtest {

struct Outcome {
    int ExitCode = -1; // -1 when the process did not exit normally
    int Signal = 0;    // the signal that ended it, 0 when it exited
    std::string Out;
    std::string Err;
};

class ChildProcess {
public:
    // `environment` adds to or replaces this process's variables; an empty value removes one.
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::map<std::string, std::string>& environment, const std::string& folder);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return pid_; }
    // True once the child handles `signal` itself (from /proc/PID/status), so that a signal
    // sent afterwards reaches its handler; false when it ended or `timeout` passed first.
    bool WaitUntilItCatches(int signal, std::chrono::milliseconds timeout) const;
    void Send(int signal) const;
    // Waits for the end, killing the child after `timeout`.
    Outcome Finish(std::chrono::milliseconds timeout);

private:
    pid_t pid_ = -1;
    std::string outFile_;
    std::string errFile_;
    bool finished_ = false;
};

Outcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::map<std::string, std::string>& environment,
                   const std::string& folder);

// A virtual X screen (Xvfb) on a display number it picks itself, for as long as it lives.
class VirtualScreen {
public:
    VirtualScreen();
    ~VirtualScreen();
    VirtualScreen(const VirtualScreen&) = delete;
    VirtualScreen& operator=(const VirtualScreen&) = delete;

    const std::string& Display() const { return display_; } // ":N", "" when Xvfb failed

private:
    pid_t pid_ = -1;
    std::string display_;
};

} // namespace installtest
