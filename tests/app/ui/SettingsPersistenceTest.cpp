// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ProgramPaths.h"
#include "app/ui/FileDialogs.h"
#include "app/ui/TForm1.h"
#include "data/Dialogs.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

using namespace tessary;

namespace {

class QuietDialogs : public Dialogs {
public:
    MessageAnswer Show(MessageKind kind, const std::string& text, MessageButtons) override {
        if (kind == MessageKind::Error) {
            Errors.push_back(text);
        }
        return MessageAnswer::No;
    }
    std::vector<std::string> Errors;
};

class CancelledFileDialogs : public FileDialogs {
public:
    std::optional<QString> OpenFileName(QWidget*, const QString&, const QString&,
                                        const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> SaveFileName(QWidget*, const QString&, const QString&,
                                        const QString&) override {
        return std::nullopt;
    }
};

int CloseAtOnce(QDialog&) {
    return 1;
}

// The settings file as the window finds it.
QString SettingsFile() {
    const ProgramPaths paths = ResolveProgramPaths(
        QCoreApplication::applicationFilePath().toStdString(), CurrentUserFolders());
    return QString::fromStdString(paths.IniFileName);
}

} // namespace

class SettingsPersistenceTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QFile::remove(SettingsFile()); }
    void cleanup() { QFile::remove(SettingsFile()); }

    void closingAndRestartingBringsBackThePlacementAndEverySetting();
    void thePlacementIsTheFramesPositionAndSize();
    void aHostilePlacementCannotMakeTheWindowUnshowable();
};

void SettingsPersistenceTest::closingAndRestartingBringsBackThePlacementAndEverySetting() {
    QuietDialogs dialogs;
    CancelledFileDialogs fileDialogs;
    ControlValues left;
    {
        TForm1 first(dialogs, fileDialogs, CloseAtOnce);
        first.FormShow();
        QCOMPARE(first.Paths().IniFileName, SettingsFile().toStdString());
        first.show();
        first.move(150, 120);
        first.resize(820, 530);

        first.EditWaitTime->setText(QStringLiteral("3"));
        first.EditIteration->setText(QStringLiteral("4"));
        first.EditBurstInterval->setText(QStringLiteral("20"));
        first.ComboBoxBITUnit->setCurrentIndex(0);
        first.EditSInterval->setText(QStringLiteral("50"));
        first.ComboSampUnit->setCurrentIndex(2);
        first.EditDataNum->setText(QStringLiteral("256"));
        first.ComboChNum->setCurrentIndex(2);
        first.ComboChNumChange();
        QCOMPARE(first.StringGridChannel->rowCount(), 3);
        for (int row = 0; row < 3; ++row) {
            first.StringGridChannel->item(row, 1)->setText(QStringLiteral("温度%1").arg(row));
            first.StringGridChannel->item(row, 2)->setText(QStringLiteral("℃"));
            first.StringGridChannel->item(row, 3)->setText(QStringLiteral("0.5"));
            first.StringGridChannel->item(row, 4)->setText(QStringLiteral("-%1").arg(row));
        }
        first.Memo1->setPlainText(QStringLiteral("一行目\nC:\\data\\new"));
        const QList<QRadioButton*> types = first.RadioGroupFileType->findChildren<QRadioButton*>();
        QCOMPARE(types.size(), 2);
        types[1]->click();
        first.EditFileName->setText(QStringLiteral("/tmp/計測/run.tsd"));
        ControlValues withProgram = first.Values();
        withProgram.ApplicationSoftware = "/opt/Orvane/Orvane.EXE";
        first.SetValues(withProgram);

        left = first.Values();
        QCOMPARE(left.FileType, 1);
        QVERIFY(first.close());
    }
    QVERIFY(dialogs.Errors.empty());
    QVERIFY(QFile::exists(SettingsFile()));

    TForm1 second(dialogs, fileDialogs, CloseAtOnce);
    second.FormShow();
    second.show();
    const ControlValues back = second.Values();
    QCOMPARE(second.pos(), QPoint(150, 120));
    QCOMPARE(second.size(), QSize(820, 530));
    QCOMPARE(back.WaitTime, left.WaitTime);
    QCOMPARE(back.Iteration, left.Iteration);
    QCOMPARE(back.BurstInterval, left.BurstInterval);
    QCOMPARE(back.BurstUnitIndex, 0);
    QCOMPARE(back.SInterval, left.SInterval);
    QCOMPARE(back.SampUnitIndex, 2);
    QCOMPARE(back.DataNum, left.DataNum);
    QCOMPARE(back.ChNum, std::string("3"));
    QCOMPARE(second.SdfData().Record().ChNum, std::int16_t{3});
    QCOMPARE(back.ChannelGrid.size(), std::size_t{4});
    for (std::size_t k = 1; k <= 3; ++k) {
        // The load numbers the rows from 1.
        QCOMPARE(back.ChannelGrid[k][0], std::to_string(k));
        for (std::size_t column = 1; column < 5; ++column) {
            QCOMPARE(back.ChannelGrid[k][column], left.ChannelGrid[k][column]);
        }
    }
    QCOMPARE(back.Memo, std::string("一行目\r\nC:\\data\\new"));
    QCOMPARE(back.FileType, 1);
    QCOMPARE(back.FileName, std::string("/tmp/計測/run.tsd"));
    QCOMPARE(back.ApplicationSoftware, std::string("/opt/Orvane/Orvane.EXE"));
    QCOMPARE(second.EditFileName->cursorPosition(),
             static_cast<int>(second.EditFileName->text().size()));
}

void SettingsPersistenceTest::thePlacementIsTheFramesPositionAndSize() {
    // Left and Top place the frame, so Widht and Height are the frame's too: a window that
    // took them as its inner size grew by its borders at every start.
    {
        QFile file(SettingsFile());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[Form]\r\nLeft=150\r\nTop=120\r\nWidht=824\r\nHeight=534\r\n");
    }
    const QRect placed(150, 120, 824, 534);
    for (int start = 0; start < 3; ++start) {
        QuietDialogs dialogs;
        CancelledFileDialogs fileDialogs;
        TForm1 form(dialogs, fileDialogs, CloseAtOnce);
        form.FormShow();
        form.show();
        QCoreApplication::processEvents();
        // The offscreen platform frames its windows with a border, as a window manager does.
        QVERIFY(form.frameGeometry() != form.geometry());
        QCOMPARE(form.frameGeometry(), placed);
        QVERIFY(form.close());
    }
    const QByteArray saved = [] {
        QFile file(SettingsFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    QVERIFY(saved.contains("Left=150\r\nTop=120\r\nWidht=824\r\nHeight=534\r\n"));
}

void SettingsPersistenceTest::aHostilePlacementCannotMakeTheWindowUnshowable() {
    // A window this large has no backing store and used to take the program down at every
    // start; a placement off every screen is still taken as it stands.
    struct Case {
        QByteArray Form;
        QPoint Pos;
        int MaxExtent;
    };
    // (Beyond the right and bottom edges: the offscreen platform itself nudges a window that
    // is resized beyond the left or top edge by its border.)
    const std::vector<Case> cases = {
        {"Left=3000\r\nTop=5000\r\nWidht=900\r\nHeight=600\r\n", QPoint(3000, 5000), 900},
        {"Left=2147483647\r\nTop=-2147483648\r\nWidht=2147483647\r\nHeight=2147483647\r\n",
         QPoint(), 8192},
    };
    for (const Case& test : cases) {
        QFile file(SettingsFile());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[Form]\r\n" + test.Form);
        file.close();
        QuietDialogs dialogs;
        CancelledFileDialogs fileDialogs;
        TForm1 form(dialogs, fileDialogs, CloseAtOnce);
        form.FormShow();
        form.show();
        QCoreApplication::processEvents();
        QVERIFY(form.width() <= test.MaxExtent && form.height() <= test.MaxExtent);
        if (test.Pos.isNull()) {
            // Far away in the direction asked for, not wrapped round to the other side.
            QVERIFY(form.pos().x() > 0 && form.pos().y() < 0);
        } else {
            QCOMPARE(form.pos(), test.Pos);
            QCOMPARE(form.frameGeometry().size(), QSize(900, 600));
        }
        QVERIFY(form.close());
    }
}

QTEST_MAIN(SettingsPersistenceTest)
#include "SettingsPersistenceTest.moc"
