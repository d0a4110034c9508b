// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/TerminationSignals.h"
#include "app/ui/QtDialogs.h"
#include "data/Dialogs.h"

#include <QDialog>
#include <QMainWindow>
#include <QTest>
#include <QTimer>

#include <csignal>

using namespace tessary;

namespace {

// A window that counts how it was closed.
class Window final : public QMainWindow {
public:
    int Closes = 0;

protected:
    void closeEvent(QCloseEvent* event) override {
        ++Closes;
        QMainWindow::closeEvent(event);
    }
};

} // namespace

class TerminationSignalsTest : public QObject {
    Q_OBJECT

private slots:
    void aSignalDuringStartUpDismissesTheDialogAndIsRemembered();
    void aSignalAfterStartUpDismissesEveryBoxThenClosesTheWindowOnce();
};

void TerminationSignalsTest::aSignalDuringStartUpDismissesTheDialogAndIsRemembered() {
    TerminationSignals termination;
    QVERIFY(!termination.Requested());
    QDialog about;
    QTimer::singleShot(0, [] { std::raise(SIGTERM); });
    QCOMPARE(about.exec(), int(QDialog::Rejected));
    QVERIFY(termination.Requested());

    // The window handed over afterwards is closed at once.
    Window window;
    window.show();
    termination.CloseOnRequest(&window);
    QTRY_VERIFY(!window.isVisible());
    QCOMPARE(window.Closes, 1);
}

void TerminationSignalsTest::aSignalAfterStartUpDismissesEveryBoxThenClosesTheWindowOnce() {
    TerminationSignals termination;
    Window window;
    window.show();
    termination.CloseOnRequest(&window);

    // Two boxes, one opened from inside the other, as a question inside a command would be.
    QtDialogs dialogs;
    MessageAnswer inner = MessageAnswer::Ok;
    MessageAnswer outer = MessageAnswer::Ok;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(0, [&] {
            QTimer::singleShot(10, [] { std::raise(SIGINT); });
            inner = dialogs.Show(MessageKind::Confirmation, "inner", MessageButtons::YesNo);
        });
        outer = dialogs.Show(MessageKind::Warning, "outer", MessageButtons::YesNo);
    });
    QTRY_VERIFY(!window.isVisible());
    QCOMPARE(inner, MessageAnswer::No);
    QCOMPARE(outer, MessageAnswer::No);
    QCOMPARE(window.Closes, 1);
    QTest::qWait(100);
    QCOMPARE(window.Closes, 1);
}

QTEST_MAIN(TerminationSignalsTest)
#include "TerminationSignalsTest.moc"
