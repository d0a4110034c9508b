// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/RunView.h"
#include "cli/StatusConsole.h"

#include <string>

namespace tessary {

// What run control shows, on the tool's stderr: each new state text (EditPresentStatus,
// TextStatus) as one line; the progress and the countdown text (ProgressBar1, EditTime) as
// the bar on a terminal. Buttons, menus and charts have nothing to show here.
class TerminalRunView final : public RunView {
public:
    explicit TerminalRunView(StatusConsole& console) : console_(console) {}

    void SetEditPresentStatus(const std::string& text) override;
    void SetEditTime(const std::string& text) override;
    void SetTextStatus(const std::string& text) override;
    void SetProgressBar1(int position) override;
    void SetBtnAdStartEnabled(bool) override {}
    void SetBtnAdStopEnabled(bool) override {}
    void DisableMenus() override {}
    void EnableMenus() override {}
    void SetupCharts() override {}
    void ShowConvertedScans(std::int32_t) override {}
    void Panel2Resize() override {}

private:
    StatusConsole& console_;
    std::string presentStatus_;
    std::string cardStatus_;
    std::string time_;
    int position_ = 0;
};

} // namespace tessary
