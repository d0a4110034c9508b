// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/Dialogs.h"

#include <deque>
#include <string>
#include <vector>

namespace tessary::testing {

struct ShownBox {
    MessageKind Kind;
    std::string Text;
    MessageButtons Buttons;
};

// Message boxes for tests: keeps every box shown and answers questions from a script, then
// with `WhenScriptEnds`.
class ScriptedDialogs : public Dialogs {
public:
    explicit ScriptedDialogs(MessageAnswer whenScriptEnds = MessageAnswer::No)
        : WhenScriptEnds(whenScriptEnds) {}

    MessageAnswer Show(MessageKind kind, const std::string& text, MessageButtons buttons) override {
        Shown.push_back({kind, text, buttons});
        if (buttons == MessageButtons::Ok) {
            return MessageAnswer::Ok;
        }
        if (Answers.empty()) {
            return WhenScriptEnds;
        }
        const MessageAnswer answer = Answers.front();
        Answers.pop_front();
        return answer;
    }

    MessageAnswer WhenScriptEnds;
    std::deque<MessageAnswer> Answers;
    std::vector<ShownBox> Shown;
};

} // namespace tessary::testing
