// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ui/FileDialogs.h"
#include "data/Dialogs.h"

#include <cstdio>
#include <optional>

namespace tessary {

// Boxes of a window benchmark go to stderr; a question is answered Yes.
class PrintedDialogs final : public Dialogs {
public:
    MessageAnswer Show(MessageKind, const std::string& text, MessageButtons buttons) override {
        std::fprintf(stderr, "box: %s\n", text.c_str());
        ++Count;
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
    }
    int Count = 0;
};

// A benchmark chooses no file through a dialog.
class NoFileDialogs final : public FileDialogs {
public:
    std::optional<QString> OpenFileName(QWidget*, const QString&, const QString&,
                                        const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> SaveFileName(QWidget*, const QString&, const QString&,
                                        const QString&) override {
        return std::nullopt;
    }
};

} // namespace tessary
