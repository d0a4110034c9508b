// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliProcess.h"

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace clitest {

namespace {

[[noreturn]] void ExecCli(const std::vector<std::string>& args, const std::string& folder,
                          long long fileSizeLimit) {
    if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
        ::_exit(126);
    }
    if (fileSizeLimit >= 0) {
        struct rlimit limit {};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = static_cast<rlim_t>(fileSizeLimit);
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            ::_exit(125);
        }
    }
    std::vector<std::string> argv = {TESSARY_BIN_DIR "/tessary-cli"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& arg : argv) {
        pointers.push_back(arg.data());
    }
    pointers.push_back(nullptr);
    ::execv(pointers[0], pointers.data());
    ::_exit(127);
}

} // namespace

CliProcess::CliProcess(const std::vector<std::string>& args, const std::string& folder, Stdio stdio,
                       long long fileSizeLimit) {
    if (stdio == Stdio::Terminal) {
        int master = -1;
        pid_ = ::forkpty(&master, nullptr, nullptr, nullptr);
        if (pid_ < 0) {
            throw std::runtime_error("forkpty failed");
        }
        if (pid_ == 0) {
            ExecCli(args, folder, fileSizeLimit);
        }
        outFd_ = master;
        return;
    }
    int out[2];
    int err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0) {
        throw std::runtime_error("pipe failed");
    }
    pid_ = ::fork();
    if (pid_ < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid_ == 0) {
        const int null = ::open("/dev/null", O_RDONLY);
        ::dup2(null, STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        ::close(out[0]);
        ::close(err[0]);
        ExecCli(args, folder, fileSizeLimit);
    }
    ::close(out[1]);
    ::close(err[1]);
    outFd_ = out[0];
    errFd_ = err[0];
}

CliProcess::~CliProcess() {
    if (!finished_) {
        Finish(std::chrono::milliseconds(0));
    }
}

bool CliProcess::ReadSome(int timeoutMs) {
    pollfd fds[2];
    int n = 0;
    for (const int fd : {outFd_, errFd_}) {
        if (fd >= 0) {
            fds[n++] = {fd, POLLIN, 0};
        }
    }
    if (n == 0 || ::poll(fds, static_cast<nfds_t>(n), timeoutMs) <= 0) {
        return n > 0;
    }
    for (int i = 0; i < n; ++i) {
        if (fds[i].revents == 0) {
            continue;
        }
        char buffer[65536];
        const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
        const bool isOut = fds[i].fd == outFd_;
        if (got > 0) {
            (isOut ? result_.Out : result_.Err).append(buffer, static_cast<std::size_t>(got));
        } else {
            ::close(fds[i].fd); // end of output (a terminal reports EIO once the child is gone)
            (isOut ? outFd_ : errFd_) = -1;
        }
    }
    return true;
}

bool CliProcess::WaitFor(std::string_view text, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    const std::string& where = errFd_ >= 0 || outFd_ < 0 ? result_.Err : result_.Out;
    while (where.find(text) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !ReadSome(static_cast<int>(left.count()))) {
            return false;
        }
    }
    return true;
}

void CliProcess::Type(std::string_view keys) {
    if (::write(outFd_, keys.data(), keys.size()) < 0) {
        throw std::runtime_error("cannot type on the terminal");
    }
}

void CliProcess::Send(int signal) {
    ::kill(pid_, signal);
}

CliResult CliProcess::Finish(std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    rusage usage{};
    for (;;) {
        const pid_t done = ::wait4(pid_, &status, WNOHANG, &usage);
        if (done == pid_) {
            break;
        }
        if (std::chrono::steady_clock::now() >= end) {
            ::kill(pid_, SIGKILL);
            ::wait4(pid_, &status, 0, &usage);
            break;
        }
        ReadSome(10);
    }
    result_.PeakMemoryKb = usage.ru_maxrss;
    const auto drainEnd = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while ((outFd_ >= 0 || errFd_ >= 0) && std::chrono::steady_clock::now() < drainEnd) {
        ReadSome(100);
    }
    for (int* fd : {&outFd_, &errFd_}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
    finished_ = true;
    if (WIFEXITED(status)) {
        result_.ExitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result_.Signal = WTERMSIG(status);
    }
    return result_;
}

CliResult RunCli(const std::vector<std::string>& args, const std::string& folder,
                 long long fileSizeLimit) {
    return CliProcess(args, folder, CliProcess::Stdio::Pipes, fileSizeLimit).Finish();
}

} // namespace clitest
