// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>

namespace tessary {

class Dialogs;

// The application object, with Qt's texts in Japanese. An error that escapes an event
// handler ends that handler only: its message is shown in a modal error box and the
// program goes on.
class TApplication final : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv, Dialogs& dialogs);

    bool notify(QObject* receiver, QEvent* event) override;

private:
    Dialogs& dialogs_;
};

} // namespace tessary
