// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/AdLib32.h"
#include "acquisition/ControlValues.h"
#include "acquisition/SettingField.h"

#include <optional>
#include <string>

namespace tessary {

// Why Start refuses the settings: the field to put right (with the 0-based channel for a
// coefficient) and the message that names it and the values it takes.
struct FieldRefusal {
    SettingField Field = SettingField::WaitTime;
    int Channel = 0;
    std::string Message;
};

// Checks every field that a run takes, in the order the window shows them, before Start
// asks anything or touches a file: that each converts (a text that does not is told with
// texts::IntervalNotInteger first, as the set-up tells it), that it lies in the range the
// record, the files and the schedule can hold, and that the card takes the sampling
// interval and the channel count. Nothing when all are fine; else the first refusal.
std::optional<FieldRefusal> CheckFieldsAtStart(const ControlValues& controls, const AdLib32& card);

} // namespace tessary
