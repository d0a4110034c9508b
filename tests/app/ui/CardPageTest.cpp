// SPDX-License-Identifier: GPL-3.0-or-later
// The card page of the window: choosing a sigrok device, looking for it, and recording from
// it. The window's card choice file lives in a scratch settings folder ($XDG_CONFIG_HOME).
#include "app/ui/FileDialogs.h"
#include "app/ui/TForm1.h"
#include "data/Dialogs.h"
#include "tests/ScriptedDialogs.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace tessary;
using tessary::testing::ScriptedDialogs;

namespace {

class SaveAs final : public FileDialogs {
public:
    std::optional<QString> OpenFileName(QWidget*, const QString&, const QString&,
                                        const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> SaveFileName(QWidget*, const QString&, const QString&,
                                        const QString&) override {
        return Answer.isEmpty() ? std::nullopt : std::optional<QString>(Answer);
    }
    QString Answer;
};

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class CardPageTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(config_.isValid());
        qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
        folder_ = config_.path() + QStringLiteral("/tessary");
        QVERIFY(QDir().mkpath(folder_));
    }
    void cleanup() {
        form_.reset();
        QFile::remove(CardFile());
    }

    void theDeviceTheCardSettingsNameIsFoundAndShown();
    void aDeviceThatIsNotThereTakesTheNoCardPathNamingWhatWasLookedFor();
    void choosingADeviceKeepsItInTheCardSettingsAndNeverInAParameterFile();
    void aMalformedNameIsRefusedAndTheCardStays();
    void aRescanOffersTheDevicesFound();
    void aRunRecordsFromTheDeviceWithTheChoiceOffMeanwhile();

private:
    QString CardFile() const { return folder_ + QStringLiteral("/card.ini"); }
    void WriteCardFile(const QByteArray& text) {
        QFile file(CardFile());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }
    TForm1& Open() {
        form_ = std::make_unique<TForm1>(dialogs_, files_, [](QDialog&) { return 1; });
        dialogs_.Shown.clear();
        form_->FormShow();
        return *form_;
    }

    QTemporaryDir config_;
    QString folder_;
    ScriptedDialogs dialogs_{MessageAnswer::Yes};
    SaveAs files_;
    std::unique_ptr<TForm1> form_;
};

void CardPageTest::theDeviceTheCardSettingsNameIsFoundAndShown() {
    WriteCardFile("[Card]\nName=sigrok:demo\n");
    TForm1& f = Open();
    QVERIFY(dialogs_.Shown.empty());
    QCOMPARE(f.ComboCardName->currentText(), QStringLiteral("sigrok:demo"));
    QCOMPARE(f.TextCardType->text(), QStringLiteral("sigrok demo"));
    QCOMPARE(f.TextAdrs->text(), QStringLiteral("Demo device"));
    QCOMPARE(f.TextStatus->text(), QStringLiteral("停止"));
    QVERIFY(f.TextInputs->toPlainText().startsWith(QStringLiteral("1: A0  [V DC]\n2: A1  [V DC]")));
    QVERIFY(f.BtnAdStart->isEnabled());
}

void CardPageTest::aDeviceThatIsNotThereTakesTheNoCardPathNamingWhatWasLookedFor() {
    WriteCardFile("[Card]\nName=sigrok:hantek-6xxx:conn=250.250\n");
    TForm1& f = Open();
    QCOMPARE(dialogs_.Shown.size(), std::size_t(1));
    QCOMPARE(dialogs_.Shown[0].Kind, MessageKind::Information);
    QCOMPARE(dialogs_.Shown[0].Text, std::string("AD変換カードが入っていません。"));
    QCOMPARE(f.TextCardType->text(), QStringLiteral("No Card in Slot"));
    QCOMPARE(f.TextStatus->text(),
             QStringLiteral("sigrok:hantek-6xxx:conn=250.250 が見つかりません。"));
    QVERIFY(!f.BtnAdStart->isEnabled());

    // Found again once it is there: here, the operator types the demo device instead.
    f.ComboCardName->lineEdit()->clear();
    QTest::keyClicks(f.ComboCardName->lineEdit(), QStringLiteral("sigrok:demo"));
    QTest::keyClick(f.ComboCardName->lineEdit(), Qt::Key_Return);
    QCOMPARE(f.ComboCardName->currentText(), QStringLiteral("sigrok:demo"));
    QVERIFY(f.BtnAdStart->isEnabled());
    QCOMPARE(f.TextStatus->text(), QStringLiteral("停止"));
}

void CardPageTest::choosingADeviceKeepsItInTheCardSettingsAndNeverInAParameterFile() {
    TForm1& f = Open();
    QCOMPARE(f.ComboCardName->currentText(), QStringLiteral("simulated"));
    QCOMPARE(f.TextCardType->text(), QStringLiteral("REX-5054U"));
    f.ComboCardName->setEditText(QStringLiteral("sigrok:demo"));
    f.ComboCardNameActivated();
    QVERIFY(ReadAll(CardFile()).contains("Name=sigrok:demo"));
    QCOMPARE(f.TextAdrs->text(), QStringLiteral("Demo device"));

    const QString apm = config_.filePath(QStringLiteral("run.apm"));
    files_.Answer = apm;
    f.Save1Click();
    files_.Answer.clear();
    QVERIFY(!ReadAll(apm).isEmpty());
    QVERIFY(!ReadAll(apm).contains("sigrok"));

    // The next start finds the device chosen; going back to the simulated card sticks too.
    TForm1& again = Open();
    QCOMPARE(again.ComboCardName->currentText(), QStringLiteral("sigrok:demo"));
    again.ComboCardName->setCurrentIndex(
        again.ComboCardName->findText(QStringLiteral("simulated")));
    again.ComboCardNameActivated();
    QCOMPARE(again.TextCardType->text(), QStringLiteral("REX-5054U"));
    QVERIFY(ReadAll(CardFile()).contains("Name=simulated"));
}

void CardPageTest::aMalformedNameIsRefusedAndTheCardStays() {
    TForm1& f = Open();
    f.ComboCardName->setEditText(QStringLiteral("sigrok"));
    f.ComboCardNameActivated();
    QCOMPARE(dialogs_.Shown.size(), std::size_t(1));
    QCOMPARE(dialogs_.Shown[0].Kind, MessageKind::Error);
    QCOMPARE(dialogs_.Shown[0].Text,
             std::string("カードの指定「sigrok」が読めません。simulated または "
                         "sigrok:ドライバ[:キー=値...] で指定して下さい。"));
    QCOMPARE(f.ComboCardName->currentText(), QStringLiteral("simulated"));
    QVERIFY(!QFile::exists(CardFile()));
}

void CardPageTest::aRescanOffersTheDevicesFound() {
    TForm1& f = Open();
    f.BtnRescanClick();
    QVERIFY(f.ComboCardName->findText(QStringLiteral("simulated")) >= 0);
    QVERIFY(f.ComboCardName->findText(QStringLiteral("sigrok:demo")) >= 0);
    QCOMPARE(f.ComboCardName->currentText(), QStringLiteral("simulated"));
}

void CardPageTest::aRunRecordsFromTheDeviceWithTheChoiceOffMeanwhile() {
    WriteCardFile("[Card]\nName=sigrok:demo\n[Ch1]\nOptions=pattern=sine\n");
    TForm1& f = Open();
    const QString data = config_.filePath(QStringLiteral("demo.sdf"));
    f.EditFileName->setText(data);
    f.EditSInterval->setText(QStringLiteral("10"));
    f.ComboSampUnit->setCurrentIndex(2);
    f.EditDataNum->setText(QStringLiteral("2000"));
    f.BtnAdStartClick();
    QVERIFY(f.Running());
    QVERIFY(!f.ComboCardName->isEnabled());
    QVERIFY(!f.BtnRescan->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(f.EditPresentStatus->text(), QStringLiteral("変換終了"), 10000);
    QVERIFY(f.ComboCardName->isEnabled());
    const QByteArray bytes = ReadAll(data);
    QCOMPARE(bytes.size(), 512 + 2000 * 2);
    // A 10 V sine: scan 5 is its top, 10000 mV.
    const auto top = static_cast<std::int16_t>(static_cast<unsigned char>(bytes[512 + 10]) |
                                               static_cast<unsigned char>(bytes[512 + 11]) << 8);
    QCOMPARE(top, std::int16_t(10000));
    QVERIFY(dialogs_.Shown.empty());
}

QTEST_MAIN(CardPageTest)
#include "CardPageTest.moc"
