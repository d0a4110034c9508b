#include "app/ui/AnalysisProgramCommand.h"

#include <QFileDialog>

namespace tessary {

AnalysisProgramCommand::AnalysisProgramCommand(Dialogs& dialogs, QWidget* parent)
    : parent_(parent), program_(dialogs, *this) {}

std::optional<std::string> AnalysisProgramCommand::ChooseProgramFile(const std::string& current) {
    const QString chosen =
        QFileDialog::getOpenFileName(parent_, QString(), QString::fromStdString(current));
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return chosen.toStdString();
}

} // namespace tessary
