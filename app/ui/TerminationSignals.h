// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>

class QSocketNotifier;
class QWidget;

namespace tessary {

// SIGTERM, SIGINT and SIGHUP (a session ending, Ctrl-C, a closed terminal) end the program
// the way its close command does, instead of killing it mid-run: every open dialog is
// dismissed as if cancelled, then the main window is closed, which stops a run with its file
// finished and keeps the settings. Until the window is handed over with CloseOnRequest (the
// start-up is still running), a request only dismisses dialogs and is remembered; the
// start-up asks Requested() when it is done. One object per process.
class TerminationSignals final : public QObject {
    Q_OBJECT
public:
    TerminationSignals();
    ~TerminationSignals() override;

    bool Requested() const { return requested_; }
    void CloseOnRequest(QWidget* window);

private:
    void Receive();
    void Sweep();

    int fds_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
    // Once requested, dismisses every dialog as it comes up, also those that closing the
    // window shows (a run that stops with an error).
    QTimer sweep_;
    QPointer<QWidget> window_;
    bool requested_ = false;
    bool closing_ = false;
};

} // namespace tessary
