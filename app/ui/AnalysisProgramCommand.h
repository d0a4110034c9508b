#pragma once

#include "app/AnalysisProgram.h"
#include "app/ProgramFileChooser.h"
#include "data/Dialogs.h"

#include <QPointer>
#include <QWidget>

namespace tessary {

// The analysis-program commands of the main window with the real open dialog
// (OpenDialogApplicationSoft: no filter, no title of its own). TForm1 forwards:
//   "Orvaneの実行(&E)"       → Run(values.ApplicationSoftware, ProgramDir, EditFileName's text)
//   AssignApplicationClick → Assign(values.ApplicationSoftware)
// where values.ApplicationSoftware is the chosen program that the parameter files keep.
// Paths are UTF-8.
class AnalysisProgramCommand : public ProgramFileChooser {
public:
    AnalysisProgramCommand(Dialogs& dialogs, QWidget* parent);

    void Run(std::string& chosen, const std::string& programDir, const std::string& dataFileName) {
        program_.Run(chosen, programDir, dataFileName);
    }
    void Assign(std::string& chosen) { program_.Assign(chosen); }

    std::optional<std::string> ChooseProgramFile(const std::string& current) override;

private:
    QPointer<QWidget> parent_;
    AnalysisProgram program_;
};

} // namespace tessary
