// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DetachedProcess.h"

#include "data/Errors.h"
#include "texts/Texts.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <linux/close_range.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tessary {

namespace {

class Pipe {
public:
    Pipe() {
        if (pipe2(fds_, O_CLOEXEC) != 0) {
            fds_[0] = fds_[1] = -1;
        }
    }
    ~Pipe() {
        CloseRead();
        CloseWrite();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    bool Valid() const { return fds_[0] >= 0; }
    int Read() const { return fds_[0]; }
    int Write() const { return fds_[1]; }
    void CloseRead() { CloseEnd(0); }
    void CloseWrite() { CloseEnd(1); }

private:
    void CloseEnd(int end) {
        if (fds_[end] >= 0) {
            close(fds_[end]);
            fds_[end] = -1;
        }
    }
    int fds_[2];
};

// Between fork and exec only async-signal-safe calls are made: this process has threads.
[[noreturn]] void ReportAndExit(int reportFd, int error) {
    [[maybe_unused]] const ssize_t written = write(reportFd, &error, sizeof error);
    _exit(127);
}

// Marks every descriptor above the standard ones close-on-exec, so the program inherits none.
void DropInheritedFiles() {
    if (close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) == 0) {
        return;
    }
    const long limit = sysconf(_SC_OPEN_MAX);
    const int last = limit > 0 && limit < 65536 ? static_cast<int>(limit) : 65536;
    for (int fd = 3; fd < last; ++fd) {
        const int flags = fcntl(fd, F_GETFD);
        if (flags >= 0) {
            fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
        }
    }
}

void ResetSignals() {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; ++sig) {
        if (sig != SIGKILL && sig != SIGSTOP) {
            sigaction(sig, &action, nullptr);
        }
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
}

[[noreturn]] void RunGrandchild(const char* path, const char* folder, int reportFd) {
    ResetSignals();
    DropInheritedFiles();
    if (chdir(folder) != 0) {
        ReportAndExit(reportFd, -errno);
    }
    char* const argv[] = {const_cast<char*>(path), nullptr};
    execve(path, argv, environ);
    ReportAndExit(reportFd, errno);
}

// Waits for the grandchild's report: end of file when exec succeeded, otherwise the errno of
// exec, or the negated errno of entering the folder. 0 also when the wait ran out.
int AwaitExec(int readFd, std::chrono::milliseconds readyWait) {
    const auto deadline = std::chrono::steady_clock::now() + readyWait;
    int error = 0;
    std::size_t got = 0;
    while (got < sizeof error) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return 0;
        }
        pollfd poller{readFd, POLLIN, 0};
        const int ready = poll(&poller, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return 0;
        }
        const ssize_t n = read(readFd, reinterpret_cast<char*>(&error) + got, sizeof error - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return 0;
        }
        got += static_cast<std::size_t>(n);
    }
    return error;
}

} // namespace

void DetachedProcess::Start(const std::string& path, const std::string& folder,
                            std::chrono::milliseconds readyWait) {
    Pipe report;
    if (!report.Valid()) {
        throw InOutError(texts::CannotStart(path, std::strerror(errno)));
    }
    const pid_t child = fork();
    if (child < 0) {
        throw InOutError(texts::CannotStart(path, std::strerror(errno)));
    }
    if (child == 0) {
        setsid();
        const pid_t grandchild = fork();
        if (grandchild < 0) {
            ReportAndExit(report.Write(), errno);
        }
        if (grandchild == 0) {
            RunGrandchild(path.c_str(), folder.c_str(), report.Write());
        }
        _exit(0);
    }
    report.CloseWrite();
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    const int error = AwaitExec(report.Read(), readyWait);
    if (error > 0) {
        throw InOutError(texts::CannotStart(path, std::strerror(error)));
    }
    if (error < 0) {
        throw InOutError(texts::CannotStart(path, folder + ": " + std::strerror(-error)));
    }
}

} // namespace tessary
