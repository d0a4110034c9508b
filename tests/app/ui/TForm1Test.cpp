// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/TForm1.h"
#include "acquisition/SimulatedCard.h"
#include "acquisition/ui/ChartPanel.h"
#include "acquisition/ui/StripChart.h"
#include "app/ui/CardMessageEvent.h"
#include "app/ui/FileDialogs.h"
#include "app/ui/PacedText.h"
#include "app/ui/TAboutBox.h"
#include "data/Dialogs.h"
#include "data/FileNames.h"
#include "data/TFrmSDFdata.h"
#include "tests/ScriptedDialogs.h"
#include "tests/upgrade/SdfBytes.h"
#include "viewer/ui/ViewerWindow.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <cstring>
#include <deque>
#include <memory>
#include <vector>

using namespace tessary;
using tessary::testing::ScriptedDialogs;

namespace {

struct FileRequest {
    QString Filter;
    QString Folder;
    QString Proposed;
};

// File dialogs answered from a script; cancelled when the script has run out or its answer
// is empty.
class ScriptedFileDialogs final : public FileDialogs {
public:
    std::optional<QString> OpenFileName(QWidget*, const QString& filter, const QString& folder,
                                        const QString& proposed) override {
        return Answer(filter, folder, proposed);
    }
    std::optional<QString> SaveFileName(QWidget*, const QString& filter, const QString& folder,
                                        const QString& proposed) override {
        return Answer(filter, folder, proposed);
    }
    std::vector<FileRequest> Requests;
    QStringList Answers;

private:
    std::optional<QString> Answer(const QString& filter, const QString& folder,
                                  const QString& proposed) {
        Requests.push_back({filter, folder, proposed});
        const QString answer = Answers.isEmpty() ? QString() : Answers.takeFirst();
        if (answer.isEmpty()) {
            return std::nullopt;
        }
        return answer;
    }
};

// One window with scripted boxes; the About box is answered by recording what was visible
// when it came up.
struct Harness {
    explicit Harness(SimulatedCardSettings card = {}) {
        form = std::make_unique<TForm1>(
            dialogs, files,
            [this](QDialog& dialog) {
                aboutTitles << dialog.windowTitle();
                sIntervalAtAbout = form->EditSInterval->text();
                visibleAtAbout = form->isVisible();
                return int(QDialog::Accepted);
            },
            std::make_unique<SimulatedCard>(card));
    }
    ScriptedDialogs dialogs{MessageAnswer::Yes};
    ScriptedFileDialogs files;
    QStringList aboutTitles;
    QString sIntervalAtAbout = QStringLiteral("unset");
    bool visibleAtAbout = true;
    std::unique_ptr<TForm1> form;
};

QString SettingsFile() {
    return QString::fromStdString(
        ReplaceExtension(QCoreApplication::applicationFilePath().toStdString(), ".ini"));
}

QString Cell(const TForm1& form, int row, int column) {
    return form.StringGridChannel->item(row, column)->text();
}

QRadioButton* FileTypeItem(TForm1& form, int index) {
    return form.RadioGroupFileType->findChild<QRadioButton*>(
        QStringLiteral("RadioGroupFileTypeItem%1").arg(index));
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

// A short run on the simulated card: ramps on two channels, 200 scans at 1 msec.
void SetShortRun(TForm1& form, const QString& fileName, const QString& iteration) {
    form.EditWaitTime->setText(QStringLiteral("0"));
    form.EditIteration->setText(iteration);
    form.EditBurstInterval->setText(QStringLiteral("1"));
    form.ComboBoxBITUnit->setCurrentIndex(0);
    form.EditSInterval->setText(QStringLiteral("1"));
    form.ComboSampUnit->setCurrentIndex(1);
    form.EditDataNum->setText(QStringLiteral("200"));
    form.ComboChNum->setCurrentIndex(1);
    form.ComboChNumChange();
    form.EditFileName->setText(fileName);
}

SimulatedCardSettings RampCard() {
    SimulatedCardSettings card;
    for (SimulatedChannel& channel : card.Channels) {
        channel.Signal = SimulatedSignal::Ramp;
    }
    return card;
}

// The stored value of the ramp's raw word.
int RampMillivolts(int word) {
    const double mv = (word - 2048) * 10.0 / 2048.0 * 1000.0;
    return int(mv < 0 ? mv - 0.5 : mv + 0.5);
}

// An SDF recording of 5 planned bursts, cut off after 2 whole blocks and part of the third.
QByteArray CutOffRecording() {
    sdfbytes::Recording r;
    r.DataNum = 4;
    r.Iteration = 5;
    r.Rows = {{"Ch.1", "mV"}};
    r.Bursts = {{1, 2, 3, 4}, {5, 6, 7, 8}};
    const std::string bytes = sdfbytes::CurrentFile(r, r.Bursts) + std::string(5, '\x01');
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The settings file names the data file of the last session.
void SetLastDataFile(const QString& path) {
    WriteFile(SettingsFile(), QStringLiteral("[File]\r\nSave Name=%1\r\n").arg(path).toLocal8Bit());
}

} // namespace

class TForm1Test : public QObject {
    Q_OBJECT

private slots:
    void init() {
        QFile::remove(SettingsFile());
        QDir(SettingsFile()).removeRecursively();
    }
    void cleanup() { init(); }

    void theAboutBoxShowsItsDescriptionWholeInsideItsPanel() {
        Harness h;
        const TAboutBox& box = h.form->AboutBox();
        const auto* panel = box.findChild<QFrame*>(QStringLiteral("Panel1"));
        const auto* comments = box.findChild<QLabel*>(QStringLiteral("Comments"));
        QVERIFY(panel != nullptr && comments != nullptr);
        const QRect inside = panel->contentsRect();
        QVERIFY2(inside.contains(comments->geometry()),
                 qPrintable(QStringLiteral("description at %1,%2 %3x%4")
                                .arg(comments->x())
                                .arg(comments->y())
                                .arg(comments->width())
                                .arg(comments->height())));
        QCOMPARE(comments->height(), comments->heightForWidth(comments->width()));
    }

    void startupShowsTheAboutBoxFirstAndFillsTheDefaults() {
        Harness h;
        h.form->FormShow();
        TForm1& f = *h.form;

        QCOMPARE(h.aboutTitles, QStringList{QStringLiteral("バージョン情報")});
        QCOMPARE(h.sIntervalAtAbout, QString());
        QVERIFY(!h.visibleAtAbout);
        QCOMPARE(f.windowTitle(), f.AboutBox().ProductName());
        QCOMPARE(f.windowTitle(), QStringLiteral("Tessary"));

        QCOMPARE(f.EditSInterval->text(), QStringLiteral("100"));
        QCOMPARE(f.ComboSampUnit->currentText(), QStringLiteral("msec"));
        QCOMPARE(f.EditDataNum->text(), QStringLiteral("512"));
        QCOMPARE(f.EditWaitTime->text(), QStringLiteral("0"));
        QCOMPARE(f.EditIteration->text(), QStringLiteral("1"));
        QCOMPARE(f.EditBurstInterval->text(), QStringLiteral("1"));
        QCOMPARE(f.ComboBoxBITUnit->currentText(), QStringLiteral("hr"));
        QCOMPARE(f.ComboChNum->count(), 4);
        QCOMPARE(f.ComboChNum->itemText(0), QStringLiteral("1"));
        QCOMPARE(f.ComboChNum->itemText(3), QStringLiteral("4"));
        QCOMPARE(f.ComboChNum->currentText(), QStringLiteral("1"));
        QCOMPARE(f.StringGridChannel->rowCount(), 1);
        QCOMPARE(Cell(f, 0, 0), QStringLiteral("1"));
        QCOMPARE(Cell(f, 0, 1), QStringLiteral("Ch.1"));
        QCOMPARE(Cell(f, 0, 2), QStringLiteral("mV"));
        QCOMPARE(Cell(f, 0, 3), QStringLiteral("1"));
        QCOMPARE(Cell(f, 0, 4), QStringLiteral("0"));
        QCOMPARE(f.Memo1->toPlainText(), QString());
        QVERIFY(FileTypeItem(f, 0)->isChecked());
        const QString programDir = QString::fromStdString(f.Paths().ProgramDir);
        QCOMPARE(f.EditFileName->text(), programDir + QStringLiteral("ADdata.sdf"));
        QCOMPARE(f.EditFileName->cursorPosition(), int(f.EditFileName->text().size()));
        QCOMPARE(f.StatusPanels[1]->text(), programDir);
        QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d$"))
                    .match(f.StatusPanels[0]->text())
                    .hasMatch());
        QCOMPARE(f.PageControl1->tabText(f.PageControl1->currentIndex()), QStringLiteral("保存"));

        QCOMPARE(f.TextCardType->text(), QStringLiteral("REX-5054U"));
        QCOMPARE(f.TextAdrs->text(), QStringLiteral("768"));
        QCOMPARE(f.TextIrqNo->text(), QStringLiteral("10"));
        QCOMPARE(f.TextStatus->text(), QStringLiteral("停止"));
        QCOMPARE(f.EditPresentStatus->text(), QStringLiteral("未変換"));
        QCOMPARE(f.EditTime->text(), QString());
        QVERIFY(f.BtnAdStart->isEnabled());
        QVERIFY(!f.BtnAdStop->isEnabled());
        QVERIFY(h.dialogs.Shown.empty());
        QCOMPARE(f.Settings().DisplayUnitName, std::string("sec"));
        QCOMPARE(f.SdfData().Record().ChNum, std::int16_t(1));
    }

    void channelCountChangesTheTableAndKeepsEditedRows() {
        Harness h;
        h.form->FormShow();
        TForm1& f = *h.form;
        f.ComboChNum->setCurrentIndex(2);
        f.ComboChNumChange();
        QCOMPARE(f.StringGridChannel->rowCount(), 3);
        QCOMPARE(f.SdfData().Record().ChNum, std::int16_t(3));
        QCOMPARE(Cell(f, 2, 0), QStringLiteral("3"));
        QCOMPARE(Cell(f, 2, 1), QStringLiteral("Ch.3"));
        f.StringGridChannel->item(2, 1)->setText(QStringLiteral("圧力"));
        f.ComboChNum->setCurrentIndex(0);
        f.ComboChNumChange();
        QCOMPARE(f.Values().ChannelGrid.size(), std::size_t(2));
        f.ComboChNum->setCurrentIndex(2);
        f.ComboChNumChange();
        QCOMPARE(Cell(f, 2, 1), QStringLiteral("圧力"));
    }

    void aMissingCardIsToldAndStartIsDisabled() {
        SimulatedCardSettings card;
        card.Present = false;
        Harness h(card);
        h.form->FormShow();
        QCOMPARE(h.form->TextCardType->text(), QStringLiteral("No Card in Slot"));
        QVERIFY(!h.form->BtnAdStart->isEnabled());
        QCOMPARE(h.dialogs.Shown.size(), std::size_t(1));
        QCOMPARE(h.dialogs.Shown[0].Kind, MessageKind::Information);
        QCOMPARE(h.dialogs.Shown[0].Buttons, MessageButtons::Ok);
        QCOMPARE(h.dialogs.Shown[0].Text, std::string("AD変換カードが入っていません。"));
    }

    void theFileTypeChoiceRewritesTheExtension() {
        Harness h;
        h.form->FormShow();
        TForm1& f = *h.form;
        f.EditFileName->setText(QStringLiteral("/data/run.sdf"));
        FileTypeItem(f, 1)->click();
        QCOMPARE(f.EditFileName->text(), QStringLiteral("/data/run.tsd"));
        // The status bar follows a name typed by hand once the choice rewrites it.
        QCOMPARE(f.StatusPanels[1]->text(), QStringLiteral("/data/"));
        QCOMPARE(f.EditFileName->cursorPosition(), int(f.EditFileName->text().size()));
        FileTypeItem(f, 0)->click();
        QCOMPARE(f.EditFileName->text(), QStringLiteral("/data/run.sdf"));
        f.EditFileName->setText(QStringLiteral("/my.dir/run"));
        FileTypeItem(f, 1)->click();
        QCOMPARE(f.EditFileName->text(), QStringLiteral("/my.dir/run.tsd"));
    }

    void browsingUsesTheFilterOfTheFileType() {
        Harness h;
        h.form->FormShow();
        TForm1& f = *h.form;
        FileTypeItem(f, 1)->click();
        const QString before = f.EditFileName->text();
        f.BitBtn1->click();
        QCOMPARE(f.EditFileName->text(), before);
        h.files.Answers.push_back(QStringLiteral("/elsewhere/new.sdf"));
        f.BitBtn1->click();
        QCOMPARE(h.files.Requests.size(), std::size_t(2));
        QCOMPARE(h.files.Requests[0].Filter,
                 QStringLiteral("時系列テキストファイル (*.tsd)|*.tsd"));
        QCOMPARE(h.files.Requests[0].Proposed, before);
        QCOMPARE(f.EditFileName->text(), QStringLiteral("/elsewhere/new.sdf"));
        QCOMPARE(f.StatusPanels[1]->text(), QStringLiteral("/elsewhere/"));
        QVERIFY(FileTypeItem(f, 1)->isChecked());
        FileTypeItem(f, 0)->click();
        f.BitBtn1->click();
        QCOMPARE(h.files.Requests[2].Filter, QStringLiteral("時系列標準ファイル (*.sdf)|*.sdf"));
    }

    void theCommentHoldsAtMost160Cp932BytesCountingLineBreaksTwice() {
        Harness h;
        h.form->FormShow();
        TForm1& f = *h.form;
        f.Memo1->setPlainText(QString(200, QLatin1Char('x')));
        QCOMPARE(f.Memo1->toPlainText().size(), 160);
        f.Memo1->setPlainText(QStringLiteral("ab\ncd"));
        QCOMPARE(f.Values().Memo, std::string("ab\r\ncd"));
        f.Memo1->setPlainText(QString(79, QLatin1Char('a')) + QLatin1Char('\n') +
                              QString(100, QLatin1Char('b')));
        QCOMPARE(f.Values().Memo.size(), std::size_t(160));
        // The recording keeps 160 bytes of the comment in CP932: a double-byte character
        // counts twice, so that nothing shown is lost from the file; half-width kana once.
        f.Memo1->setPlainText(QString(100, QChar(0x3042)));
        QCOMPARE(f.Memo1->toPlainText(), QString(80, QChar(0x3042)));
        f.Memo1->setPlainText(QStringLiteral("a") + QString(100, QChar(0x3042)));
        QCOMPARE(f.Memo1->toPlainText(), QStringLiteral("a") + QString(79, QChar(0x3042)));
        f.Memo1->setPlainText(QString(170, QChar(0xFF71)));
        QCOMPARE(f.Memo1->toPlainText(), QString(160, QChar(0xFF71)));
    }

    void settingsCarryOverAndAFailedWriteStillCloses() {
        {
            Harness h;
            h.form->FormShow();
            h.form->EditDataNum->setText(QStringLiteral("1000"));
            h.form->ComboChNum->setCurrentIndex(1);
            h.form->ComboChNumChange();
            h.form->StringGridChannel->item(1, 1)->setText(QStringLiteral("温度"));
            h.form->show();
            QVERIFY(h.form->close());
            QVERIFY(h.dialogs.Shown.empty());
        }
        QVERIFY(QFile::exists(SettingsFile()));
        {
            Harness h;
            h.form->FormShow();
            QCOMPARE(h.form->EditDataNum->text(), QStringLiteral("1000"));
            QCOMPARE(h.form->ComboChNum->currentText(), QStringLiteral("2"));
            QCOMPARE(Cell(*h.form, 1, 0), QStringLiteral("2"));
            QCOMPARE(Cell(*h.form, 1, 1), QStringLiteral("温度"));
            QCOMPARE(h.form->SdfData().Record().ChNum, std::int16_t(2));
        }
        QFile::remove(SettingsFile());
        QVERIFY(QDir().mkpath(SettingsFile()));
        Harness h;
        h.form->FormShow();
        h.form->show();
        QVERIFY(h.form->close());
        QVERIFY(!h.form->isVisible());
        QCOMPARE(h.dialogs.Shown.size(), std::size_t(1));
        QCOMPARE(h.dialogs.Shown[0].Kind, MessageKind::Error);
        QVERIFY(h.dialogs.Shown[0].Text.find("に書き込めません") != std::string::npos);
    }

    void loadingAnOldRecordingConvertsItAndTakesItsParameters() {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("old.sdf"));
        sdfbytes::Recording old;
        old.ChNum = 2;
        old.DataNum = 3;
        old.SInterval = 5;
        old.Iteration = 2;
        old.BInterval = 7;
        old.BITUnit = 3;
        old.Rows = {{"Press", "kPa", 2.0f, 0.5f}, {"Temp", "K", 1.0f, 0.0f}};
        old.Bursts = {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}};
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            const std::string bytes = sdfbytes::OldFile(old, 2);
            file.write(bytes.data(), qint64(bytes.size()));
        }
        Harness h;
        h.form->FormShow();
        TForm1& f = *h.form;
        const QString fileNameBefore = f.EditFileName->text();
        h.files.Answers << path;
        f.findChild<QAction*>(QStringLiteral("O1"))->trigger();

        QCOMPARE(h.files.Requests.back().Filter,
                 QStringLiteral("Parameter files (*.apm,*.sdf,*.tsd)|*.apm;*.sdf;*.tsd"));
        QCOMPARE(h.files.Requests.back().Folder, QString::fromStdString(f.Paths().DataFolder));
        QVERIFY(ReadAll(path).startsWith("Standard Burst-Interval Data Format Ver.4"));
        QCOMPARE(f.EditIteration->text(), QStringLiteral("2"));
        QCOMPARE(f.EditBurstInterval->text(), QStringLiteral("7"));
        QCOMPARE(f.ComboBoxBITUnit->currentText(), QStringLiteral("min"));
        QCOMPARE(f.EditSInterval->text(), QStringLiteral("5"));
        QCOMPARE(f.EditDataNum->text(), QStringLiteral("3"));
        QCOMPARE(f.ComboChNum->currentText(), QStringLiteral("2"));
        QCOMPARE(f.SdfData().Record().ChNum, std::int16_t(2));
        QCOMPARE(Cell(f, 0, 1), QStringLiteral("Press"));
        QCOMPARE(Cell(f, 0, 3), QStringLiteral("2"));
        QCOMPARE(Cell(f, 0, 4), QStringLiteral("0.5"));
        QCOMPARE(Cell(f, 1, 2), QStringLiteral("K"));
        // The comment comes back without the memo field's padding.
        QCOMPARE(f.Memo1->toPlainText(), QStringLiteral("old recording"));
        QCOMPARE(f.EditFileName->text(), fileNameBefore);
    }

    void whileAnUpgradeRunsTheWindowTakesNoCommandThatTouchesTheRecord() {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("old.sdf"));
        sdfbytes::Recording old;
        old.ChNum = 1;
        old.DataNum = 4;
        old.Iteration = 10;
        old.Rows = {{"Ch.1", "mV", 1.0f, 0.0f}};
        old.Bursts.assign(10, {1, 2, 3, 4});
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            const std::string bytes = sdfbytes::OldFile(old, 2);
            file.write(bytes.data(), qint64(bytes.size()));
        }
        const QString other = folder.filePath(QStringLiteral("other.apm"));
        QVERIFY(QFile(other).open(QIODevice::WriteOnly));
        Harness h;
        h.form->FormShow();
        TForm1& f = *h.form;
        f.show();
        SetShortRun(f, folder.filePath(QStringLiteral("run.sdf")), QStringLiteral("1"));

        bool tried = false;
        std::size_t requestsBefore = 0;
        // Runs while the progress window takes the events, between two bursts.
        QTimer::singleShot(0, &f, [&] {
            tried = true;
            QVERIFY(!f.File1->menuAction()->isEnabled());
            QVERIFY(!f.BtnAdStart->isEnabled());
            QVERIFY(!f.ComboChNum->isEnabled());
            requestsBefore = h.files.Requests.size();
            h.files.Answers << other << other;
            f.O1Click();
            f.Save1Click();
            f.BtnAdStartClick();
            QVERIFY(!f.close());
        });
        h.files.Answers << path;
        f.findChild<QAction*>(QStringLiteral("O1"))->trigger();

        QVERIFY(tried);
        QCOMPARE(h.files.Requests.size(), requestsBefore);
        QVERIFY(!f.Running());
        QVERIFY(f.isVisible());
        QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("run.sdf"))));
        QVERIFY(f.File1->menuAction()->isEnabled());
        QVERIFY(f.BtnAdStart->isEnabled());
        const QByteArray converted = ReadAll(path);
        QVERIFY(converted.startsWith("Standard Burst-Interval Data Format Ver.4"));
        QCOMPARE(converted.size(), 512 + 10 * 8);
        QCOMPARE(f.EditIteration->text(), QStringLiteral("10"));
        QCOMPARE(f.EditDataNum->text(), QStringLiteral("4"));
    }

    void parameterFilesAreSavedAndLoadedThroughTheFileMenu() {
        QTemporaryDir folder;
        Harness h;
        h.form->FormShow();
        TForm1& f = *h.form;
        f.EditDataNum->setText(QStringLiteral("2048"));
        f.EditFileName->setText(folder.filePath(QStringLiteral("kept.sdf")));
        h.files.Answers << folder.filePath(QStringLiteral("setup.txt"));
        f.findChild<QAction*>(QStringLiteral("Save1"))->trigger();
        QCOMPARE(h.files.Requests.back().Filter, QStringLiteral("Parameter files (*.apm)|*.apm"));
        const QString saved = folder.filePath(QStringLiteral("setup.apm"));
        QVERIFY(QFile::exists(saved));

        f.EditDataNum->setText(QStringLiteral("1"));
        f.EditFileName->setText(QStringLiteral("/nowhere/else.sdf"));
        h.files.Answers << saved;
        f.findChild<QAction*>(QStringLiteral("O1"))->trigger();
        QCOMPARE(f.EditDataNum->text(), QStringLiteral("2048"));
        QCOMPARE(f.EditFileName->text(), folder.filePath(QStringLiteral("kept.sdf")));
        QCOMPARE(f.StatusPanels[1]->text(), folder.path() + QLatin1Char('/'));
        f.BitBtn1->click();
        QCOMPARE(h.files.Requests.back().Folder, folder.path() + QLatin1Char('/'));
    }

    void aCutOffRecordingIsOfferedOnceTheWindowIsUpAndFinishedOnYes() {
        QTemporaryDir folder;
        const QString fileName = folder.filePath(QStringLiteral("ADdata.sdf"));
        const QByteArray cut = CutOffRecording();
        WriteFile(fileName, cut);
        SetLastDataFile(fileName);
        Harness h;
        h.form->FormShow();
        QVERIFY2(h.dialogs.Shown.empty(), "the look comes after the window is up");
        QTRY_COMPARE(h.dialogs.Shown.size(), std::size_t(2));
        QCOMPARE(h.dialogs.Shown[0].Kind, MessageKind::Confirmation);
        QCOMPARE(h.dialogs.Shown[0].Text,
                 fileName.toStdString() +
                     " は計測の途中で中断されたデータファイルです。\nヘッダの記録回数：5 回、"
                     "完全なデータ：2 回\n完全なデータの回数にファイルを修正しますか。");
        QCOMPARE(h.dialogs.Shown[1].Kind, MessageKind::Information);
        QCOMPARE(h.dialogs.Shown[1].Text,
                 fileName.toStdString() + " を記録回数 2 回に修正しました。");
        QByteArray expected = cut;
        expected[223] = 2;
        QCOMPARE(ReadAll(fileName), expected);
    }

    void aCutOffRecordingIsLeftAsItIsOnNoAndAFinishedOneIsNotOffered() {
        QTemporaryDir folder;
        const QString fileName = folder.filePath(QStringLiteral("ADdata.sdf"));
        const QByteArray cut = CutOffRecording();
        WriteFile(fileName, cut);
        SetLastDataFile(fileName);
        {
            Harness h;
            h.dialogs.Answers.push_back(MessageAnswer::No);
            h.form->FormShow();
            QTRY_COMPARE(h.dialogs.Shown.size(), std::size_t(1));
            QTest::qWait(100);
            QCOMPARE(h.dialogs.Shown.size(), std::size_t(1));
            QCOMPARE(ReadAll(fileName), cut);
        }
        QByteArray finished = cut;
        finished[223] = 2;
        finished.chop(5);
        WriteFile(fileName, finished);
        SetLastDataFile(fileName);
        Harness h;
        h.form->FormShow();
        QTest::qWait(200);
        QVERIFY(h.dialogs.Shown.empty());
    }

    void aProgramFromALoadedParameterFileRunsOnlyAfterTheOperatorConfirmsIt() {
        QTemporaryDir folder;
        const QString marker = folder.filePath(QStringLiteral("ran"));
        const QString script = folder.filePath(QStringLiteral("analysis.sh"));
        {
            QFile file(script);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("#!/bin/sh\ntouch '" + marker.toUtf8() + "'\n");
            file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        const QString apm = folder.filePath(QStringLiteral("received.apm"));
        {
            QFile file(apm);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[File]\r\nApplication Software=" + script.toUtf8() + "\r\n");
        }
        const std::string question =
            "パラメータファイルで指定された次のプログラムを実行します。\n" + script.toStdString() +
            "\nよろしいですか。";
        {
            Harness h;
            h.form->FormShow();
            h.form->show();
            h.files.Answers << apm;
            h.form->findChild<QAction*>(QStringLiteral("O1"))->trigger();
            h.dialogs.Answers.push_back(MessageAnswer::No);
            h.form->findChild<QAction*>(QStringLiteral("Orvane1"))->trigger();
            QCOMPARE(h.dialogs.Shown.size(), std::size_t(1));
            QCOMPARE(h.dialogs.Shown[0].Kind, MessageKind::Confirmation);
            QCOMPARE(h.dialogs.Shown[0].Text, question);
            QVERIFY(h.form->close());
        }
        QTest::qWait(200);
        QVERIFY(!QFile::exists(marker));
        // Saved in the settings at close, it is still unconfirmed at the next start.
        Harness h;
        h.form->FormShow();
        h.dialogs.Answers.push_back(MessageAnswer::Yes);
        h.form->findChild<QAction*>(QStringLiteral("Orvane1"))->trigger();
        QCOMPARE(h.dialogs.Shown.size(), std::size_t(1));
        QCOMPARE(h.dialogs.Shown[0].Text, question);
        QTRY_VERIFY(QFile::exists(marker));
        h.form->findChild<QAction*>(QStringLiteral("Orvane1"))->trigger();
        QCOMPARE(h.dialogs.Shown.size(), std::size_t(1));
    }

    void cardMessagesReachTheRun() {
        Harness h;
        h.form->FormShow();
        QCoreApplication::postEvent(QCoreApplication::instance(), new CardMessageEvent(128, 512));
        QTRY_COMPARE(h.form->TextStatus->text(), QStringLiteral("変換終了[512]"));
        QCoreApplication::postEvent(QCoreApplication::instance(), new CardMessageEvent(1, 0));
        QTRY_COMPARE(h.form->TextStatus->text(), QStringLiteral("変換中"));
    }

    void aRunOnTheSimulatedCardWritesItsBurstsWithMenusLockedMeanwhile() {
        QTemporaryDir folder;
        const QString fileName = folder.filePath(QStringLiteral("run.sdf"));
        Harness h(RampCard());
        h.form->FormShow();
        TForm1& f = *h.form;
        SetShortRun(f, fileName, QStringLiteral("3"));

        f.BtnAdStart->click();
        QVERIFY(f.Running());
        QVERIFY(!f.File1->menuAction()->isEnabled());
        QVERIFY(!f.Analysis1->menuAction()->isEnabled());
        QVERIFY(f.Help1->menuAction()->isEnabled());
        QVERIFY(!f.BtnAdStart->isEnabled());
        QVERIFY(f.BtnAdStop->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(f.EditPresentStatus->text(), QStringLiteral("2回目の計測待ち"),
                                  5000);
        QTRY_COMPARE_WITH_TIMEOUT(f.EditPresentStatus->text(), QStringLiteral("変換終了"), 10000);
        QTRY_VERIFY(!f.Running());
        QVERIFY(f.File1->menuAction()->isEnabled());
        QVERIFY(f.Analysis1->menuAction()->isEnabled());
        QVERIFY(f.BtnAdStart->isEnabled());
        QVERIFY(!f.BtnAdStop->isEnabled());
        QCOMPARE(f.ProgressBar1->value(), 0);
        QVERIFY(h.dialogs.Shown.empty());
        // The time field catches up with the run's last text; the charts keep the last burst.
        QTRY_COMPARE(f.EditTime->text(), QString());
        QTRY_COMPARE(f.Charts().Chart(1).Envelope().Count(), 200);
        QVERIFY(f.Charts().Chart(1).Envelope().HasValues());

        // Header of 512 bytes (two channel rows), then 3 blocks of 200 scans × 2 words.
        const QByteArray data = ReadAll(fileName);
        QCOMPARE(data.size(), 512 + 3 * 800);
        for (int block = 0; block < 3; ++block) {
            for (int scan : {0, 1, 199}) {
                for (int channel = 0; channel < 2; ++channel) {
                    std::int16_t stored = 0;
                    std::memcpy(&stored,
                                data.constData() + 512 + block * 800 + scan * 4 + channel * 2, 2);
                    QCOMPARE(int(stored), RampMillivolts((scan + 512 * channel) % 4096));
                }
            }
        }

        // A second run into the same file asks first; No leaves everything as it was.
        h.dialogs.Answers.push_back(MessageAnswer::No);
        f.BtnAdStart->click();
        QVERIFY(!f.Running());
        QCOMPARE(h.dialogs.Shown.back().Kind, MessageKind::Warning);
        QCOMPARE(h.dialogs.Shown.back().Text,
                 std::string("同名のファイルが存在します。\n上書きしてよろしいですか。"));
        QCOMPARE(ReadAll(fileName).size(), 512 + 3 * 800);
    }

    void theSmallestWindowKeepsEveryControlAtItsOwnMinimum() {
        Harness h;
        h.form->FormShow();
        TForm1& f = *h.form;
        f.ComboChNum->setCurrentIndex(3);
        f.ComboChNumChange();
        f.SetupCharts();
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QVERIFY(f.minimumWidth() >= TForm1::MinimumWidth);
        QVERIFY(f.minimumHeight() >= TForm1::MinimumHeight);
        QVERIFY(f.minimumWidth() <= 715 && f.minimumHeight() <= 452); // below the default

        f.resize(480, 330);
        QTRY_COMPARE(f.size(), f.minimumSize());
        const auto expectRoom = [](QWidget* parent) {
            for (QWidget* w : parent->findChildren<QWidget*>()) {
                const bool control = qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
                                     qobject_cast<QPushButton*>(w) || qobject_cast<QLabel*>(w) ||
                                     qobject_cast<QRadioButton*>(w) ||
                                     qobject_cast<QTableWidget*>(w) ||
                                     qobject_cast<QPlainTextEdit*>(w);
                if (!control || !w->isVisible()) {
                    continue;
                }
                const QSize need = w->minimumSizeHint();
                QVERIFY2(w->width() >= need.width() && w->height() >= need.height(),
                         qPrintable(w->objectName() + QLatin1Char(' ') +
                                    QString::number(need.width()) + QLatin1Char(' ') +
                                    QString::number(w->width()) + QLatin1Char('x') +
                                    QString::number(w->height())));
            }
        };
        for (int page = 0; page < f.PageControl1->count(); ++page) {
            f.PageControl1->setCurrentIndex(page);
            QCoreApplication::processEvents();
            expectRoom(f.PageControl1->currentWidget());
        }
        expectRoom(f.GroupBox2);
        for (int k = 0; k < 4; ++k) {
            QVERIFY(f.Charts().Chart(k).isVisible());
            QVERIFY(f.Charts().Chart(k).ValueTicks().Values.size() >= 3);
        }
    }

    void theTimeFieldShowsTheNewestTextAtMostOncePerInterval() {
        QLineEdit edit;
        PacedText paced(edit, 40);
        int changes = 0;
        connect(&edit, &QLineEdit::textChanged, &edit, [&changes] { ++changes; });
        paced.Set("first"); // after a quiet spell: at once
        QCOMPARE(edit.text(), QStringLiteral("first"));
        for (int left = 10000; left >= 0; --left) {
            paced.Set("left " + std::to_string(left));
        }
        QCOMPARE(edit.text(), QStringLiteral("first"));
        QTRY_COMPARE(edit.text(), QStringLiteral("left 0"));
        QCOMPARE(changes, 2);
    }

    void aRefusedStartShowsTheFieldsPageAndFocusesIt() {
        QTemporaryDir folder;
        Harness h;
        h.form->FormShow();
        TForm1& f = *h.form;
        f.show();
        SetShortRun(f, folder.filePath(QStringLiteral("run.sdf")), QStringLiteral("1"));
        f.EditDataNum->setText(QStringLiteral("-5"));
        f.BtnAdStart->click();
        QVERIFY(!f.Running());
        QCOMPARE(h.dialogs.Shown.size(), std::size_t(1));
        QVERIFY(h.dialogs.Shown[0].Text.starts_with("サンプリング個数「-5」は使えません。"));
        QCOMPARE(f.PageControl1->tabText(f.PageControl1->currentIndex()),
                 QStringLiteral("計測ﾊﾟﾗﾒｰﾀ"));
        QCOMPARE(f.focusWidget(), static_cast<QWidget*>(f.EditDataNum));
        QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("run.sdf"))));

        f.EditDataNum->setText(QStringLiteral("200"));
        f.StringGridChannel->item(1, 4)->setText(QStringLiteral("x"));
        f.BtnAdStart->click();
        QVERIFY(!f.Running());
        QCOMPARE(h.dialogs.Shown.size(), std::size_t(2));
        QCOMPARE(f.PageControl1->tabText(f.PageControl1->currentIndex()),
                 QStringLiteral("記録ﾁｬﾝﾈﾙ"));
        QCOMPARE(f.focusWidget(), static_cast<QWidget*>(f.StringGridChannel));
        QCOMPARE(f.StringGridChannel->currentRow(), 1);
        QCOMPARE(f.StringGridChannel->currentColumn(), 4);
    }

    void escapeStopsARunAndTheFileHoldsTheBurstsBegun() {
        QTemporaryDir folder;
        const QString fileName = folder.filePath(QStringLiteral("run.tsd"));
        Harness h(RampCard());
        h.form->FormShow();
        TForm1& f = *h.form;
        SetShortRun(f, fileName, QStringLiteral("0"));
        FileTypeItem(f, 1)->click();
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));

        f.BtnAdStart->click();
        QTRY_COMPARE_WITH_TIMEOUT(f.EditPresentStatus->text(), QStringLiteral("3回目の計測待ち"),
                                  5000);
        QTest::keyClick(&f, Qt::Key_Escape);
        QCOMPARE(f.EditPresentStatus->text(), QStringLiteral("変換中止"));
        QTRY_VERIFY(!f.Running());
        QVERIFY(f.File1->menuAction()->isEnabled());
        QVERIFY(f.BtnAdStart->isEnabled());

        const QList<QByteArray> lines = ReadAll(fileName).split('\n');
        QCOMPARE(lines.value(4).trimmed(), QByteArray("2"));
        QCOMPARE(lines.value(6).trimmed(), QByteArray("2,0"));
        QCOMPARE(lines.value(12).trimmed(), QByteArray("No.1"));
        QCOMPARE(lines.value(13).trimmed(), QByteArray("-10000,-7500"));
        QCOMPARE(lines.value(14).trimmed(), QByteArray("-9995,-7495"));
        QCOMPARE(lines.value(213).trimmed(), QByteArray("No.2"));
        QCOMPARE(lines.size(), 12 + 2 * 201 + 1);
    }

    void closingDuringARunStopsItFirst() {
        QTemporaryDir folder;
        const QString fileName = folder.filePath(QStringLiteral("run.sdf"));
        Harness h(RampCard());
        h.form->FormShow();
        TForm1& f = *h.form;
        SetShortRun(f, fileName, QStringLiteral("5"));
        f.show();
        f.BtnAdStart->click();
        QTRY_COMPARE_WITH_TIMEOUT(f.EditPresentStatus->text(), QStringLiteral("2回目の計測待ち"),
                                  5000);
        QVERIFY(f.close());
        QVERIFY(!f.Running());
        QCOMPARE(f.EditPresentStatus->text(), QStringLiteral("変換中止"));
        QCOMPARE(ReadAll(fileName).size(), 512 + 800);
        TFrmSDFdata reader(h.dialogs);
        QVERIFY(reader.ReadSdfHeader(fileName.toStdString()));
        QCOMPARE(reader.Record().Iteration, std::int16_t(1));
        QCOMPARE(reader.Record().ChNum, std::int16_t(2));
    }

    // A recording opens in a viewer from the File menu's item and by a drop on the window; a
    // drop of anything else opens nothing, and the viewers close with the window.
    void recordingsOpenInViewersFromTheMenuAndByADrop() {
        QTemporaryDir folder;
        sdfbytes::Recording r;
        r.ChNum = 1;
        r.DataNum = 4;
        r.Iteration = 1;
        r.Rows = {{"Ch.1", "mV", 1.0f, 0.0f}};
        r.Bursts = {{1, 2, 3, 4}};
        const QString path = folder.filePath(QStringLiteral("run.sdf"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const std::string bytes = sdfbytes::CurrentFile(r, r.Bursts);
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
        file.close();
        Harness h;
        h.form->FormShow();
        TForm1& f = *h.form;
        const QList<QAction*> items = f.File1->actions();
        QCOMPARE(items.at(2)->text(), QStringLiteral("記録データの表示(&V)..."));
        h.files.Answers << path;
        items.at(2)->trigger();
        QCOMPARE(h.files.Requests.back().Filter,
                 QStringLiteral("記録データ (*.sdf *.tsd)|*.sdf;*.tsd"));
        QCOMPARE(f.Viewers().size(), std::size_t{1});
        QPointer<ViewerWindow> first = f.Viewers().front();
        QTRY_COMPARE_WITH_TIMEOUT(first->ShownBurst().value_or(-1), std::int64_t{0}, 10000);

        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path), QUrl::fromLocalFile(folder.filePath("a.apm"))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(&f, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&f, &drop);
        QCOMPARE(f.Viewers().size(), std::size_t{2});
        QMimeData parameters;
        parameters.setUrls({QUrl::fromLocalFile(folder.filePath("a.apm"))});
        QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &parameters, Qt::LeftButton,
                                Qt::NoModifier);
        refused.setAccepted(false);
        QApplication::sendEvent(&f, &refused);
        QVERIFY(!refused.isAccepted());

        f.close();
        QTRY_VERIFY_WITH_TIMEOUT(first.isNull(), 10000);
        QVERIFY(h.dialogs.Shown.empty());
    }
};

QTEST_MAIN(TForm1Test)
#include "TForm1Test.moc"
