// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/TerminalDialogs.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace tessary {

namespace {

// Line breaks inside a message would split the one error line.
std::string OneLine(const std::string& text) {
    std::string line;
    for (const char c : text) {
        if (c == '\r') {
            continue;
        }
        line += c == '\n' ? ' ' : c;
    }
    return line;
}

bool IsYes(const std::string& answer) {
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" ||
           answer == "YES" || answer == "はい";
}

} // namespace

TerminalDialogs::TerminalDialogs(StatusConsole& console, std::string subject, QuestionPolicy policy,
                                 const StopSignals* signals)
    : console_(console), subject_(std::move(subject)), policy_(policy), signals_(signals) {}

void TerminalDialogs::Error(const std::string& text) {
    console_.Line("tessary-cli: " + subject_ + ": " + OneLine(text));
    ++messagesShown_;
}

MessageAnswer TerminalDialogs::Show(MessageKind, const std::string& text, MessageButtons buttons) {
    if (buttons == MessageButtons::Ok) {
        Error(text);
        return MessageAnswer::Ok;
    }
    lastQuestion_ = text;
    if (policy_ == QuestionPolicy::AnswerYes) {
        return MessageAnswer::Yes;
    }
    const MessageAnswer answer = AskOnTerminal(text);
    if (answer == MessageAnswer::No) {
        answeredNo_ = true;
    }
    return answer;
}

MessageAnswer TerminalDialogs::AskOnTerminal(const std::string& text) {
    if (::isatty(STDIN_FILENO) != 1) {
        couldNotAsk_ = true;
        return MessageAnswer::No;
    }
    console_.Prompt("tessary-cli: " + subject_ + ":\n" + text + " [y/N] ");
    std::string answer;
    for (;;) {
        // Short polls: a signal that lands just before a blocking read would not end it.
        const bool interrupted = signals_ != nullptr && signals_->Raised();
        pollfd input{STDIN_FILENO, POLLIN, 0};
        const int ready = interrupted ? -1 : ::poll(&input, 1, 100);
        if (ready == 0 || (ready < 0 && !interrupted && errno == EINTR)) {
            continue;
        }
        char c = 0;
        if (ready < 0 || ::read(STDIN_FILENO, &c, 1) <= 0) {
            console_.Line(""); // Ctrl-C or end of input: leave the prompt's line
            return MessageAnswer::No;
        }
        if (c == '\n') {
            break;
        }
        answer += c;
    }
    if (!answer.empty() && answer.back() == '\r') {
        answer.pop_back();
    }
    return IsYes(answer) ? MessageAnswer::Yes : MessageAnswer::No;
}

} // namespace tessary
