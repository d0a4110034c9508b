#include "app/ui/AnalysisProgramCommand.h"

#include "app/ui/FileDialogs.h"

namespace tessary {

AnalysisProgramCommand::AnalysisProgramCommand(Dialogs& dialogs, FileDialogs& fileDialogs,
                                               QWidget* parent)
    : fileDialogs_(fileDialogs), parent_(parent), program_(dialogs, *this) {}

std::optional<std::string> AnalysisProgramCommand::ChooseProgramFile(const std::string& current) {
    const auto chosen =
        fileDialogs_.OpenFileName(parent_, QString(), QString(), QString::fromStdString(current));
    if (!chosen) {
        return std::nullopt;
    }
    return chosen->toStdString();
}

} // namespace tessary
