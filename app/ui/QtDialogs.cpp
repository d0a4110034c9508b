// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/QtDialogs.h"

#include "texts/Texts.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace tessary {

namespace {

QString Caption(MessageKind kind) {
    switch (kind) {
    case MessageKind::Information:
        return QString::fromUtf8(texts::InformationCaption);
    case MessageKind::Error:
        return QString::fromUtf8(texts::ErrorCaption);
    case MessageKind::Confirmation:
        return QString::fromUtf8(texts::ConfirmationCaption);
    case MessageKind::Warning:
        return QString::fromUtf8(texts::WarningCaption);
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
        box.setDefaultButton(
            box.addButton(QString::fromUtf8(texts::OkButton), QMessageBox::AcceptRole));
        box.exec();
        return MessageAnswer::Ok;
    }
    QPushButton* yes = box.addButton(QString::fromUtf8(texts::YesButton), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QString::fromUtf8(texts::NoButton), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes ? MessageAnswer::Yes : MessageAnswer::No;
}

} // namespace tessary
