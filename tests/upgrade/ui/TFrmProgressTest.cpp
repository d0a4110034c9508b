// SPDX-License-Identifier: GPL-3.0-or-later
#include "upgrade/ui/TFrmProgress.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

using tessary::TFrmProgress;

class TFrmProgressTest : public QObject {
    Q_OBJECT

private:
    template <typename T> static T* Control(TFrmProgress& form, const char* name) {
        auto* control = form.findChild<T*>(QString::fromLatin1(name));
        if (control == nullptr) {
            qFatal("no control %s", name);
        }
        return control;
    }

private slots:
    void ShowsAnEmptyStartRightAfterStartProgress() {
        TFrmProgress form;
        QVERIFY(!form.isVisible());
        form.StartProgress("ただ今、データ形式の更新中．．．．");

        QVERIFY(form.isVisible());
        QVERIFY(!form.isModal());
        QCOMPARE(form.windowTitle(), QStringLiteral("ただ今、データ形式の更新中．．．．"));
        QCOMPARE(Control<QLabel>(form, "LblPercent")->text(), QStringLiteral("0 %"));
        QCOMPARE(Control<QProgressBar>(form, "ProgressBar1")->value(), 0);
        QCOMPARE(Control<QProgressBar>(form, "ProgressBar1")->minimum(), 0);
        QVERIFY(Control<QLabel>(form, "LblComment")->text().isEmpty());
        QCOMPARE(Control<QPushButton>(form, "BitBtn1")->text(), QStringLiteral("キャンセル"));
        QVERIFY(!form.CancelRequested());
        QCOMPARE(form.size(), QSize(285, 124));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QRect frame = form.frameGeometry();
        QCOMPARE(frame.x(), screen.x() + (screen.width() - frame.width()) / 2);
        QCOMPARE(frame.y(), screen.y() + (screen.height() - frame.height()) / 2);

        form.SetProgressPercent(67);
        QCOMPARE(Control<QLabel>(form, "LblPercent")->text(), QStringLiteral("67 %"));
        QCOMPARE(Control<QProgressBar>(form, "ProgressBar1")->value(), 67);
        form.Hide();
        QVERIFY(!form.isVisible());
        QVERIFY(!form.CancelRequested());
    }

    void CancelHidesAtOnceAndSetsTheRequest() {
        TFrmProgress form;
        form.StartProgress("t");
        QTest::mouseClick(Control<QPushButton>(form, "BitBtn1"), Qt::LeftButton);
        QVERIFY(!form.isVisible());
        QVERIFY(form.CancelRequested());

        form.StartProgress("again");
        QVERIFY(form.isVisible());
        QVERIFY(!form.CancelRequested());
        QCOMPARE(Control<QLabel>(form, "LblPercent")->text(), QStringLiteral("0 %"));
    }

    void AClickWaitingInTheQueueIsTakenAtTheNextReport() {
        TFrmProgress form;
        form.StartProgress("t");
        QMetaObject::invokeMethod(Control<QPushButton>(form, "BitBtn1"), "click",
                                  Qt::QueuedConnection);
        QVERIFY(!form.CancelRequested());
        form.SetProgressPercent(10);
        QVERIFY(form.CancelRequested());
        QVERIFY(!form.isVisible());
    }

    void EscapeAndClosingTheWindowAskForTheCancel() {
        TFrmProgress form;
        form.StartProgress("t");
        QTest::keyClick(&form, Qt::Key_Escape);
        QVERIFY(form.CancelRequested());
        QVERIFY(!form.isVisible());

        form.StartProgress("t");
        form.close();
        QVERIFY(form.CancelRequested());
        QVERIFY(!form.isVisible());
    }
};

QTEST_MAIN(TFrmProgressTest)
#include "TFrmProgressTest.moc"
