// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/SettingField.h"

#include <cstdint>
#include <string>

namespace tessary {

// What run control shows. The window writes into its controls, the headless tool prints,
// the tests record. Texts are UTF-8. Every call returns at once; none may call back into
// RunControl.
class RunView {
public:
    virtual ~RunView() = default;

    virtual void SetEditPresentStatus(const std::string& text) = 0;
    virtual void SetEditTime(const std::string& text) = 0;
    virtual void SetTextStatus(const std::string& text) = 0;
    virtual void SetProgressBar1(int position) = 0; // 0 to 100
    virtual void SetBtnAdStartEnabled(bool enabled) = 0;
    virtual void SetBtnAdStopEnabled(bool enabled) = 0;
    // The menus "ファイル(&F)" and "データ解析(&A)".
    virtual void DisableMenus() = 0;
    virtual void EnableMenus() = 0;

    // Shows the charts for the record's ChNum, sets their titles and clears the series.
    virtual void SetupCharts() = 0;
    // Scans 0 to scans - 1 of the running burst are converted: their stored values stand in
    // the record's Samples, from which the charts of channels 0 to 3 draw.
    virtual void ShowConvertedScans(std::int32_t scans) = 0;
    // Lays the charts out for the record's ChNum.
    virtual void Panel2Resize() = 0;

    // Start refused the value of `field` (of 0-based `channel` for a coefficient): the
    // window puts the focus there; a view without fields ignores it.
    virtual void FocusField(SettingField /*field*/, int /*channel*/) {}
};

} // namespace tessary
