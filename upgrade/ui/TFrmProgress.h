// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "upgrade/ProgressSink.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace tessary {

// The modeless progress window of a long file operation: a percentage in text and in a
// bar, and a Cancel button. It has no loop of its own: input reaches it while StartProgress
// and SetProgressPercent process the pending events, so a cancel takes effect at the
// caller's next check.
class TFrmProgress final : public QDialog, public ProgressSink {
    Q_OBJECT
public:
    explicit TFrmProgress(QWidget* parent = nullptr);

    // Title bar := title, empty comment, 0 %, cancel request cleared; centred on the screen
    // and shown.
    void StartProgress(const std::string& title) override;
    // The percentage as "<percent> %" and in the bar.
    void SetProgressPercent(std::int32_t percent) override;
    bool CancelRequested() const override { return cancelRequested_; }
    void Hide() override { hide(); }

public slots:
    // The Cancel button: the request is set and the window hidden.
    void BitBtn1Click();

protected:
    // Escape and the window's close button ask for the cancel too; hiding the window alone
    // would leave the operation running without a way to stop it.
    void reject() override;

private:
    void CentreOnScreen();

    QLabel* LblComment = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QLabel* LblPercent = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    bool cancelRequested_ = false;
};

} // namespace tessary
