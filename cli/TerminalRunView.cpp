// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/TerminalRunView.h"

namespace tessary {

void TerminalRunView::SetEditPresentStatus(const std::string& text) {
    if (text != presentStatus_) {
        presentStatus_ = text;
        if (!text.empty()) {
            console_.Line(text);
        }
    }
}

void TerminalRunView::SetTextStatus(const std::string& text) {
    if (text != cardStatus_) {
        cardStatus_ = text;
        if (!text.empty()) {
            console_.Line(text);
        }
    }
}

void TerminalRunView::SetEditTime(const std::string& text) {
    time_ = text;
    console_.Bar(position_, time_);
}

void TerminalRunView::SetProgressBar1(int position) {
    position_ = position;
    console_.Bar(position_, time_);
}

} // namespace tessary
