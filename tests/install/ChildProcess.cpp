// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChildProcess.h"

#include "tests/ScratchFolder.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace installtest {

namespace {

std::string TempName(const char* what) {
    std::string pattern = std::string(P_tmpdir) + "/tessary-child-" + what + "-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        throw std::runtime_error("mkstemp failed");
    }
    ::close(fd);
    return pattern;
}

// This process's environment with `changes` applied, as "NAME=value" strings.
std::vector<std::string> Environment(const std::map<std::string, std::string>& changes) {
    std::map<std::string, std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::size_t equals = text.find('=');
        if (equals != std::string::npos) {
            merged[text.substr(0, equals)] = text.substr(equals + 1);
        }
    }
    for (const auto& [name, value] : changes) {
        if (value.empty()) {
            merged.erase(name);
        } else {
            merged[name] = value;
        }
    }
    std::vector<std::string> result;
    for (const auto& [name, value] : merged) {
        result.push_back(name + "=" + value);
    }
    return result;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) {
        pointers.push_back(s.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::map<std::string, std::string>& environment,
                           const std::string& folder)
    : outFile_(TempName("out")), errFile_(TempName("err")) {
    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> envp = Environment(environment);
    std::vector<char*> argPointers = Pointers(argv);
    std::vector<char*> envPointers = Pointers(envp);
    pid_ = ::fork();
    if (pid_ < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid_ == 0) {
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(outFile_.c_str(), O_WRONLY | O_TRUNC);
        const int err = ::open(errFile_.c_str(), O_WRONLY | O_TRUNC);
        if (in < 0 || out < 0 || err < 0 || (!folder.empty() && ::chdir(folder.c_str()) != 0)) {
            ::_exit(126);
        }
        ::dup2(in, STDIN_FILENO);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        ::execve(argPointers[0], argPointers.data(), envPointers.data());
        ::_exit(127);
    }
}

ChildProcess::~ChildProcess() {
    if (!finished_) {
        Finish(std::chrono::milliseconds(0));
    }
    ::unlink(outFile_.c_str());
    ::unlink(errFile_.c_str());
}

bool ChildProcess::WaitUntilItCatches(int signal, std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const unsigned long long bit = 1ULL << (signal - 1);
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("State:", 0) == 0 && line.find("Z (zombie)") != std::string::npos) {
                return false;
            }
            if (line.rfind("SigCgt:", 0) == 0 && (std::stoull(line.substr(7), nullptr, 16) & bit)) {
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void ChildProcess::Send(int signal) const {
    ::kill(pid_, signal);
}

Outcome ChildProcess::Finish(std::chrono::milliseconds timeout) {
    Outcome outcome;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    finished_ = true;
    if (WIFEXITED(status)) {
        outcome.ExitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        outcome.Signal = WTERMSIG(status);
    }
    outcome.Out = tessary::testing::ReadAll(outFile_);
    outcome.Err = tessary::testing::ReadAll(errFile_);
    return outcome;
}

Outcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::map<std::string, std::string>& environment,
                   const std::string& folder) {
    ChildProcess child(program, args, environment, folder);
    return child.Finish(std::chrono::seconds(60));
}

VirtualScreen::VirtualScreen() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return;
    }
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(fds[1], 3); // -displayfd names a descriptor; dup2 clears its close-on-exec
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1280x800x24", "-nolisten",
                 "tcp", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    // Xvfb writes the display number once it accepts connections.
    std::string number;
    pollfd wait{fds[0], POLLIN, 0};
    while (::poll(&wait, 1, 10000) > 0) {
        char c;
        if (::read(fds[0], &c, 1) != 1 || c == '\n') {
            break;
        }
        number += c;
    }
    ::close(fds[0]);
    if (!number.empty()) {
        display_ = ":" + number;
    }
}

VirtualScreen::~VirtualScreen() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
}

} // namespace installtest
