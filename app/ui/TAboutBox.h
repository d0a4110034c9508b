// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLabel;

namespace tessary {

// The About box: emblem, product name, version and description, closed with OK.
class TAboutBox final : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    // The product name shown; the main window takes its caption from it.
    QString ProductName() const;

private:
    QLabel* ProductNameLabel = nullptr;
};

} // namespace tessary
