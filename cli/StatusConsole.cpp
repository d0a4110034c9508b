// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/StatusConsole.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace tessary {

namespace {

constexpr int BarCells = 30;

} // namespace

StatusConsole::StatusConsole() : drawBar_(::isatty(STDERR_FILENO) == 1) {}

void StatusConsole::Put(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(STDERR_FILENO, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return; // nothing sensible to do when stderr is gone
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void StatusConsole::Line(std::string_view text) {
    std::string line;
    if (barShown_) {
        line += "\r\x1b[K";
    }
    line += text;
    line += '\n';
    Put(line);
    if (barShown_) {
        DrawBar();
    }
}

void StatusConsole::Prompt(std::string_view text) {
    ClearBar();
    Put(text);
}

void StatusConsole::Bar(std::int32_t percent, std::string_view text) {
    if (!drawBar_) {
        return;
    }
    percent = std::clamp<std::int32_t>(percent, 0, 100);
    const auto now = std::chrono::steady_clock::now();
    if (barShown_ && (now - drawn_ < std::chrono::milliseconds(50) ||
                      (percent == percent_ && text == barText_))) {
        return;
    }
    drawn_ = now;
    percent_ = percent;
    barText_ = text;
    DrawBar();
}

void StatusConsole::DrawBar() {
    const int filled = percent_ * BarCells / 100;
    std::string bar = "\r[";
    bar.append(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(BarCells - filled), '-');
    bar += "] ";
    const std::string number = std::to_string(percent_);
    bar.append(3 - std::min<std::size_t>(3, number.size()), ' ');
    bar += number;
    bar += " %";
    if (!barText_.empty()) {
        bar += "  ";
        bar += barText_;
    }
    bar += "\x1b[K";
    Put(bar);
    barShown_ = true;
}

void StatusConsole::ClearBar() {
    if (barShown_) {
        Put("\r\x1b[K");
        barShown_ = false;
    }
}

} // namespace tessary
