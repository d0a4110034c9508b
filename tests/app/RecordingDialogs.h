// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/Dialogs.h"

#include <string>
#include <vector>

// Answers every box with OK or No and keeps the texts of the information boxes.
class RecordingDialogs : public tessary::Dialogs {
public:
    tessary::MessageAnswer Show(tessary::MessageKind kind, const std::string& text,
                                tessary::MessageButtons buttons) override {
        (kind == tessary::MessageKind::Information ? Information : Other).push_back(text);
        return buttons == tessary::MessageButtons::Ok ? tessary::MessageAnswer::Ok
                                                      : tessary::MessageAnswer::No;
    }

    std::vector<std::string> Information;
    std::vector<std::string> Other;
};
