// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/TerminationSignals.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <QWidget>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace tessary {

namespace {

constexpr int Signals[] = {SIGTERM, SIGINT, SIGHUP};

// The write end of the pipe that turns a signal into an event of the main loop.
volatile std::sig_atomic_t signalFd = -1;

extern "C" void OnSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalFd, &byte, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals() {
    if (::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error("cannot create the signal pipe");
    }
    signalFd = fds_[1];
    notifier_ = std::make_unique<QSocketNotifier>(fds_[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &TerminationSignals::Receive);
    sweep_.setInterval(20);
    connect(&sweep_, &QTimer::timeout, this, &TerminationSignals::Sweep);

    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : Signals) {
        ::sigaction(signal, &action, nullptr);
    }
}

TerminationSignals::~TerminationSignals() {
    for (const int signal : Signals) {
        std::signal(signal, SIG_DFL);
    }
    signalFd = -1;
    notifier_.reset();
    ::close(fds_[0]);
    ::close(fds_[1]);
}

void TerminationSignals::CloseOnRequest(QWidget* window) {
    window_ = window;
    if (requested_) {
        Sweep();
    }
}

void TerminationSignals::Receive() {
    char bytes[16];
    while (::read(fds_[0], bytes, sizeof bytes) > 0) {
    }
    requested_ = true;
    sweep_.start();
    Sweep();
}

void TerminationSignals::Sweep() {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        } else {
            modal->close();
        }
        return; // the dialog's own loop ends first; the next sweep goes on from there
    }
    if (window_ && !closing_) {
        closing_ = true;
        window_->close();
    }
}

} // namespace tessary
