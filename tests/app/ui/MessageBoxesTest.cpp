// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/QtDialogs.h"
#include "app/ui/QtFileDialogs.h"
#include "app/ui/TApplication.h"
#include "data/Dialogs.h"
#include "data/Errors.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <string>
#include <vector>

using namespace tessary;

namespace {

class RecordingDialogs final : public Dialogs {
public:
    MessageAnswer Show(MessageKind kind, const std::string& text, MessageButtons) override {
        Shown.emplace_back(kind, text);
        return MessageAnswer::Ok;
    }
    std::vector<std::pair<MessageKind, std::string>> Shown;
};

struct SeenBox {
    QString Caption;
    QString Text;
    QStringList Buttons;
};

// Reads the box that comes up next and presses the button with `press` as its text.
void AnswerNextBox(SeenBox& seen, const QString& press) {
    QTimer::singleShot(0, [&seen, press] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        seen.Caption = box->windowTitle();
        seen.Text = box->text();
        for (QAbstractButton* button : box->buttons()) {
            seen.Buttons << button->text();
        }
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == press) {
                button->click();
            }
        }
    });
}

} // namespace

class MessageBoxesTest : public QObject {
    Q_OBJECT
public:
    explicit MessageBoxesTest(RecordingDialogs& reported) : reported_(reported) {}

private slots:
    void boxesCarryTheCaptionOfTheirKindAndTheProgramsButtons() {
        QtDialogs dialogs;
        const std::pair<MessageKind, QString> kinds[] = {
            {MessageKind::Information, QStringLiteral("情報")},
            {MessageKind::Error, QStringLiteral("エラー")},
            {MessageKind::Confirmation, QStringLiteral("確認")},
            {MessageKind::Warning, QStringLiteral("警告")},
        };
        for (const auto& [kind, caption] : kinds) {
            SeenBox seen;
            AnswerNextBox(seen, QStringLiteral("OK"));
            QCOMPARE(dialogs.Show(kind, "本文", MessageButtons::Ok), MessageAnswer::Ok);
            QCOMPARE(seen.Caption, caption);
            QCOMPARE(seen.Text, QStringLiteral("本文"));
            QCOMPARE(seen.Buttons, QStringList{QStringLiteral("OK")});
        }
    }

    void questionsAnswerYesOrNo() {
        QtDialogs dialogs;
        SeenBox seen;
        AnswerNextBox(seen, QStringLiteral("いいえ(&N)"));
        QVERIFY(!dialogs.Ask(MessageKind::Warning, "上書きしてよろしいですか。"));
        QCOMPARE(seen.Caption, QStringLiteral("警告"));
        seen.Buttons.sort();
        QCOMPARE(seen.Buttons,
                 (QStringList{QStringLiteral("いいえ(&N)"), QStringLiteral("はい(&Y)")}));
        SeenBox again;
        AnswerNextBox(again, QStringLiteral("はい(&Y)"));
        QVERIFY(dialogs.Ask(MessageKind::Error, "指定しますか。"));
        QCOMPARE(again.Caption, QStringLiteral("エラー"));
    }

    void anErrorEscapingAHandlerIsShownAndTheProgramGoesOn() {
        reported_.Shown.clear();
        QPushButton button(QStringLiteral("go"));
        int clicks = 0;
        connect(&button, &QPushButton::clicked, [&clicks] {
            ++clicks;
            throw ConversionError("'x' は整数ではありません。");
        });
        button.show();
        QTest::mouseClick(&button, Qt::LeftButton);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(clicks, 2);
        QCOMPARE(reported_.Shown.size(), std::size_t(2));
        QCOMPARE(reported_.Shown[0].first, MessageKind::Error);
        QCOMPARE(reported_.Shown[0].second, std::string("'x' は整数ではありません。"));

        bool later = false;
        QTimer::singleShot(0, [] { throw InOutError("/data/a.sdf に書き込めません"); });
        QTimer::singleShot(5, [&later] { later = true; });
        QTRY_VERIFY(later);
        QCOMPARE(reported_.Shown.back().second, std::string("/data/a.sdf に書き込めません"));
    }

    void filtersBecomeQtFilters() {
        QCOMPARE(QtFileDialogs::QtFilter(
                     QStringLiteral("Parameter files (*.apm,*.sdf,*.tsd)|*.apm;*.sdf;*.tsd")),
                 QStringLiteral("Parameter files (*.apm *.sdf *.tsd)"));
        QCOMPARE(QtFileDialogs::QtFilter(QStringLiteral("時系列テキストファイル (*.tsd)|*.tsd")),
                 QStringLiteral("時系列テキストファイル (*.tsd)"));
        QCOMPARE(QtFileDialogs::QtFilter(QStringLiteral("A|*.a|B (*.b)|*.b")),
                 QStringLiteral("A (*.a);;B (*.b)"));
        QCOMPARE(QtFileDialogs::QtFilter(QString()), QString());
    }

private:
    RecordingDialogs& reported_;
};

int main(int argc, char** argv) {
    RecordingDialogs reported;
    TApplication app(argc, argv, reported);
    MessageBoxesTest test(reported);
    return QTest::qExec(&test, argc, argv);
}

#include "MessageBoxesTest.moc"
