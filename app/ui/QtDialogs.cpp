#include "app/ui/QtDialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace tessary {

namespace {

QString Caption(MessageKind kind) {
    switch (kind) {
    case MessageKind::Information:
        return QStringLiteral("情報");
    case MessageKind::Error:
        return QStringLiteral("エラー");
    case MessageKind::Confirmation:
        return QStringLiteral("確認");
    case MessageKind::Warning:
        return QStringLiteral("警告");
    }
    return {};
}

QMessageBox::Icon IconOf(MessageKind kind) {
    switch (kind) {
    case MessageKind::Information:
        return QMessageBox::Information;
    case MessageKind::Error:
        return QMessageBox::Critical;
    case MessageKind::Confirmation:
        return QMessageBox::Question;
    case MessageKind::Warning:
        return QMessageBox::Warning;
    }
    return QMessageBox::NoIcon;
}

} // namespace

MessageAnswer QtDialogs::Show(MessageKind kind, const std::string& text, MessageButtons buttons) {
    QMessageBox box(IconOf(kind), Caption(kind), QString::fromStdString(text),
                    QMessageBox::NoButton, QApplication::activeWindow());
    if (buttons == MessageButtons::Ok) {
        box.setDefaultButton(box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
        box.exec();
        return MessageAnswer::Ok;
    }
    QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes ? MessageAnswer::Yes : MessageAnswer::No;
}

} // namespace tessary
