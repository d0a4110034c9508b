// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/AnalysisProgram.h"
#include "app/ProgramFileChooser.h"
#include "app/ui/QtFileDialogs.h"
#include "data/Dialogs.h"

#include <QPointer>
#include <QWidget>

namespace tessary {

// The analysis-program commands of the main window. The program file is chosen with
// fileDialogs->OpenFileName, Qt's file dialog when none is given (OpenDialogApplicationSoft:
// no filter, no starting folder of its own, the current choice proposed). TForm1 forwards:
//   "Orvaneの実行(&E)"       → Run(program, confirmed, ProgramDir, EditFileName's text)
//   AssignApplicationClick → Assign(program, confirmed)
// where program and confirmed are values.ApplicationSoftware and
// ApplicationSoftwareConfirmed, which the parameter files keep.
// Paths are UTF-8.
class AnalysisProgramCommand : public ProgramFileChooser {
public:
    AnalysisProgramCommand(Dialogs& dialogs, QWidget* parent, FileDialogs* fileDialogs = nullptr);

    void Run(std::string& chosen, bool& confirmed, const std::string& programDir,
             const std::string& dataFileName) {
        program_.Run(chosen, confirmed, programDir, dataFileName);
    }
    void Assign(std::string& chosen, bool& confirmed) { program_.Assign(chosen, confirmed); }

    std::optional<std::string> ChooseProgramFile(const std::string& current) override;

private:
    QtFileDialogs qtFileDialogs_;
    FileDialogs& fileDialogs_;
    QPointer<QWidget> parent_;
    AnalysisProgram program_;
};

} // namespace tessary
