// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace tessary {

// The fields of the main window that a run takes its settings from.
enum class SettingField {
    WaitTime,      // EditWaitTime
    Iteration,     // EditIteration
    BurstInterval, // EditBurstInterval
    BurstUnit,     // ComboBoxBITUnit
    SInterval,     // EditSInterval
    SamplingUnit,  // ComboSampUnit
    DataNum,       // EditDataNum
    ChNum,         // ComboChNum
    CoefficientA,  // StringGridChannel, column A of a channel's row
    CoefficientB,  // column B
};

} // namespace tessary
