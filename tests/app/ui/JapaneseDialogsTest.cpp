// SPDX-License-Identifier: GPL-3.0-or-later
// Qt's own texts in the window are Japanese whatever the desktop's language (ctest starts
// this program without any).
#include "app/ui/JapaneseTranslations.h"
#include "app/ui/QtFileDialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>

using namespace tessary;

class JapaneseDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(InstallJapaneseTranslations(*QCoreApplication::instance())); }

    void theFileDialogsAreQtsOwnAndJapanese() {
        const QString filter = QStringLiteral("時系列標準ファイル (*.sdf)|*.sdf");
        for (const bool save : {true, false}) {
            const auto dialog = QtFileDialogs::Dialog(nullptr, filter, QDir::tempPath(),
                                                      QStringLiteral("run.sdf"), save);
            // A native dialog would speak the desktop's language, not the window's.
            QVERIFY(dialog->testOption(QFileDialog::DontUseNativeDialog));
            QCOMPARE(dialog->labelText(QFileDialog::Reject), QStringLiteral("キャンセル"));
            QCOMPARE(dialog->labelText(QFileDialog::LookIn), QStringLiteral("アドレス:"));
            QCOMPARE(dialog->labelText(QFileDialog::Accept),
                     save ? QStringLiteral("保存(&S)") : QStringLiteral("開く(&O)"));
            QCOMPARE(dialog->acceptMode(),
                     save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
            QCOMPARE(dialog->nameFilters(),
                     QStringList{QStringLiteral("時系列標準ファイル (*.sdf)")});
        }
        QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
    }
};

QTEST_MAIN(JapaneseDialogsTest)
#include "JapaneseDialogsTest.moc"
