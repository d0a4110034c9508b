// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/AnalysisProgramCommand.h"

namespace tessary {

AnalysisProgramCommand::AnalysisProgramCommand(Dialogs& dialogs, QWidget* parent,
                                               FileDialogs* fileDialogs)
    : fileDialogs_(fileDialogs != nullptr ? *fileDialogs : qtFileDialogs_), parent_(parent),
      program_(dialogs, *this) {}

std::optional<std::string> AnalysisProgramCommand::ChooseProgramFile(const std::string& current) {
    const auto chosen =
        fileDialogs_.OpenFileName(parent_, QString(), QString(), QString::fromStdString(current));
    if (!chosen) {
        return std::nullopt;
    }
    return chosen->toStdString();
}

} // namespace tessary
