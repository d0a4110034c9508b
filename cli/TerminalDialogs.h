// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/StatusConsole.h"
#include "cli/StopSignals.h"
#include "data/Dialogs.h"

#include <string>

namespace tessary {

enum class QuestionPolicy {
    Ask,       // on the terminal; without one a question is answered No
    AnswerYes, // --yes: every question is answered Yes without being shown
};

// Message boxes of the tool: a message becomes one line "tessary-cli: SUBJECT: text" on
// stderr; a question is asked on the terminal (y/N) or answered by the policy. Ctrl-C at
// the prompt answers No.
class TerminalDialogs final : public Dialogs {
public:
    TerminalDialogs(StatusConsole& console, std::string subject, QuestionPolicy policy,
                    const StopSignals* signals);

    MessageAnswer Show(MessageKind kind, const std::string& text, MessageButtons buttons) override;

    void SetSubject(std::string subject) { subject_ = std::move(subject); }
    // Prints one error line about the current subject.
    void Error(const std::string& text);

    int MessagesShown() const { return messagesShown_; }
    // The text of the last question put, answered or not.
    const std::string& LastQuestion() const { return lastQuestion_; }
    bool AnsweredNo() const { return answeredNo_; }
    bool CouldNotAsk() const { return couldNotAsk_; }

private:
    MessageAnswer AskOnTerminal(const std::string& text);

    StatusConsole& console_;
    std::string subject_;
    QuestionPolicy policy_;
    const StopSignals* signals_;
    int messagesShown_ = 0;
    std::string lastQuestion_;
    bool answeredNo_ = false;
    bool couldNotAsk_ = false;
};

} // namespace tessary
