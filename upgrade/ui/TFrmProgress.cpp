// SPDX-License-Identifier: GPL-3.0-or-later
#include "upgrade/ui/TFrmProgress.h"

#include "texts/Texts.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace tessary {

namespace {

constexpr int ClientWidth = 285;
constexpr int ClientHeight = 124;
constexpr int BarHeight = 17;

} // namespace

TFrmProgress::TFrmProgress(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("FrmProgress"));
    setModal(false);
    setFixedSize(ClientWidth, ClientHeight);
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPointSize(9);
    setFont(font);

    LblComment = new QLabel(this);
    LblComment->setObjectName(QStringLiteral("LblComment"));
    LblComment->setGeometry(18, 8, 249, 19);
    LblComment->setAlignment(Qt::AlignCenter);
    LblComment->setWordWrap(true);
    LblComment->setLayoutDirection(Qt::RightToLeft);
    QFont commentFont(QStringLiteral("ＭＳ Ｐゴシック"));
    commentFont.setPixelSize(13);
    LblComment->setFont(commentFont);

    BitBtn1 = new QPushButton(QString::fromUtf8(texts::CancelButton), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    BitBtn1->setGeometry((ClientWidth - 89) / 2, 34, 89, 25);
    connect(BitBtn1, &QPushButton::clicked, this, &TFrmProgress::BitBtn1Click);

    LblPercent = new QLabel(this);
    LblPercent->setObjectName(QStringLiteral("LblPercent"));
    LblPercent->setGeometry((ClientWidth - 65) / 2, 70, 65, 17);
    LblPercent->setAlignment(Qt::AlignCenter);
    QFont percentFont(QStringLiteral("Arial"));
    percentFont.setPointSize(9);
    LblPercent->setFont(percentFont);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(0, ClientHeight - BarHeight, ClientWidth, BarHeight);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
}

void TFrmProgress::StartProgress(const std::string& title) {
    setWindowTitle(QString::fromStdString(title));
    LblComment->clear();
    SetProgressPercent(0);
    cancelRequested_ = false;
    // The frame's size is known once the window exists; it is placed before it is painted.
    show();
    CentreOnScreen();
    QCoreApplication::processEvents();
}

void TFrmProgress::SetProgressPercent(std::int32_t percent) {
    LblPercent->setText(QString::number(percent) + QStringLiteral(" %"));
    ProgressBar1->setValue(percent);
    QCoreApplication::processEvents();
}

void TFrmProgress::BitBtn1Click() {
    cancelRequested_ = true;
    hide();
}

void TFrmProgress::reject() {
    BitBtn1Click();
}

void TFrmProgress::CentreOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->geometry();
    const QSize window = frameGeometry().size();
    move(area.x() + (area.width() - window.width()) / 2,
         area.y() + (area.height() - window.height()) / 2);
}

} // namespace tessary
