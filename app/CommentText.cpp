// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommentText.h"

namespace tessary {

std::string DecodeComment(std::string_view stored) {
    if (stored.empty() || stored.front() != SeveralLinesMark) {
        return std::string(stored);
    }
    stored.remove_prefix(1);
    std::string out;
    out.reserve(stored.size());
    for (std::size_t i = 0; i < stored.size(); ++i) {
        if (stored[i] == '\\' && i + 1 < stored.size()) {
            if (stored[i + 1] == '\\') {
                out += '\\';
                ++i;
                continue;
            }
            if (stored[i + 1] == 'n') {
                out += "\r\n";
                ++i;
                continue;
            }
        }
        out += stored[i];
    }
    return out;
}

std::string EncodeComment(std::string_view comment) {
    if (comment.find_first_of("\r\n") == std::string_view::npos) {
        return std::string(comment);
    }
    const std::string lines = WithCrLfLineBreaks(comment);
    std::string out(1, SeveralLinesMark);
    out.reserve(lines.size() + 16);
    for (const char c : lines) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c != '\r') {
            out += c;
        }
    }
    return out;
}

std::string WithCrLfLineBreaks(std::string_view comment) {
    std::string out;
    out.reserve(comment.size() + 8);
    for (std::size_t i = 0; i < comment.size(); ++i) {
        const char c = comment[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < comment.size() && comment[i + 1] == '\n') {
                ++i;
            }
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace tessary
