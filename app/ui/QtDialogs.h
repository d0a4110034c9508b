// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/Dialogs.h"

class QWidget;

namespace tessary {

// The message boxes of the window program: modal, captioned by their kind, with the
// program's own button texts.
class QtDialogs final : public Dialogs {
public:
    MessageAnswer Show(MessageKind kind, const std::string& text, MessageButtons buttons) override;
};

} // namespace tessary
