// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/PacedText.h"

#include <QLineEdit>

namespace tessary {

PacedText::PacedText(QLineEdit& edit, int intervalMs) : edit_(edit), intervalMs_(intervalMs) {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, &edit_, [this] { Show(); });
}

void PacedText::Set(const std::string& text) {
    pending_ = text;
    if (timer_.isActive()) {
        return;
    }
    const qint64 since = shown_.isValid() ? shown_.elapsed() : intervalMs_;
    if (since >= intervalMs_) {
        Show();
    } else {
        timer_.start(static_cast<int>(intervalMs_ - since));
    }
}

void PacedText::Show() {
    timer_.stop();
    edit_.setText(QString::fromStdString(pending_));
    shown_.start();
}

} // namespace tessary
