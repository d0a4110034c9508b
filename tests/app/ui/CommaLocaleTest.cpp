// SPDX-License-Identifier: GPL-3.0-or-later
// The window under a desktop whose decimal separator is a comma (ctest starts this program
// with LANG=de_DE.UTF-8 and the generated locale).
#include "acquisition/SimulatedCard.h"
#include "app/ui/FileDialogs.h"
#include "app/ui/TForm1.h"
#include "data/FileNames.h"
#include "tests/ScratchFolder.h"
#include "tests/ScriptedDialogs.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <clocale>
#include <cstring>

using namespace tessary;
using tessary::testing::ScratchFolder;
using tessary::testing::ScriptedDialogs;

namespace {

class SaveAs final : public FileDialogs {
public:
    explicit SaveAs(QString path) : path_(std::move(path)) {}
    std::optional<QString> OpenFileName(QWidget*, const QString&, const QString&,
                                        const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> SaveFileName(QWidget*, const QString&, const QString&,
                                        const QString&) override {
        return path_;
    }

private:
    QString path_;
};

float FloatAt(const std::string& bytes, std::size_t offset) {
    float value = 0;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

QString SettingsFile() {
    return QString::fromStdString(
        ReplaceExtension(QCoreApplication::applicationFilePath().toStdString(), ".ini"));
}

} // namespace

class CommaLocaleTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QFile::remove(SettingsFile()); }
    void cleanup() { init(); }

    void coefficientsWithAPointOrTheDesktopsCommaReachFileAndRecordAlike() {
        // The desktop's locale is in force, as the application object makes it.
        QCOMPARE(QLocale::system().decimalPoint(), QStringLiteral(","));
        QCOMPARE(std::string(std::localeconv()->decimal_point), std::string(","));

        ScratchFolder folder;
        ScriptedDialogs dialogs(MessageAnswer::Yes);
        SaveAs files(QString::fromStdString(folder.File("setup.apm")));
        TForm1 form(
            dialogs, files, [](QDialog&) { return 1; }, std::make_unique<SimulatedCard>());
        form.FormShow();
        form.EditIteration->setText(QStringLiteral("1"));
        form.EditSInterval->setText(QStringLiteral("1"));
        form.ComboSampUnit->setCurrentIndex(1);
        form.EditDataNum->setText(QStringLiteral("10"));
        form.ComboChNum->setCurrentIndex(1);
        form.ComboChNumChange();
        form.StringGridChannel->item(0, 3)->setText(QStringLiteral("0.5"));
        form.StringGridChannel->item(0, 4)->setText(QStringLiteral("2,5"));
        form.StringGridChannel->item(1, 3)->setText(QStringLiteral("0,25"));
        form.StringGridChannel->item(1, 4)->setText(QStringLiteral("-1.5"));
        const std::string data = folder.File("run.sdf");
        form.EditFileName->setText(QString::fromStdString(data));

        form.findChild<QAction*>(QStringLiteral("Save1"))->trigger();
        const std::string apm = tessary::testing::ReadAll(folder.File("setup.apm"));
        for (const char* key :
             {"Coef A=0.5\r\n", "Coef B=2.5\r\n", "Coef A=0.25\r\n", "Coef B=-1.5\r\n"}) {
            QVERIFY2(apm.find(key) != std::string::npos, key);
        }

        form.BtnAdStart->click();
        QTRY_VERIFY_WITH_TIMEOUT(!form.Running(), 5000);
        QVERIFY(dialogs.Shown.empty());
        const std::string bytes = tessary::testing::ReadAll(data);
        QCOMPARE(FloatAt(bytes, 256 + 24), 0.5f);
        QCOMPARE(FloatAt(bytes, 256 + 28), 2.5f);
        QCOMPARE(FloatAt(bytes, 256 + 32 + 24), 0.25f);
        QCOMPARE(FloatAt(bytes, 256 + 32 + 28), -1.5f);
    }
};

QTEST_MAIN(CommaLocaleTest)
#include "CommaLocaleTest.moc"
