// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ProgramFileChooser.h"
#include "data/Dialogs.h"

#include <chrono>
#include <string>

namespace tessary {

// The commands "Orvaneの実行(&E)" and "プログラムファイルの指定(&A)": choosing the analysis
// program's file and starting it in the data file's folder. The chosen path and whether it
// is confirmed are owned by the caller (ControlValues::ApplicationSoftware and
// ApplicationSoftwareConfirmed), so the parameter files save and restore them.
class AnalysisProgram {
public:
    static constexpr const char* DefaultProgramName = "Orvane.EXE";
    static constexpr std::chrono::milliseconds DefaultStartWait{5000};

    AnalysisProgram(Dialogs& dialogs, ProgramFileChooser& chooser,
                    std::chrono::milliseconds startWait = DefaultStartWait);

    // The chosen program, else programDir (ending with its separator) + "Orvane.EXE".
    static std::string ProgramPath(const std::string& chosen, const std::string& programDir);

    // The folder part of the data-file name without its trailing separator ("/" stays "/");
    // this program's current folder when the name has no folder part.
    static std::string WorkingFolder(const std::string& dataFileName);

    // "Orvaneの実行(&E)". A missing program file asks "アプリケーションファイルが見つかりません。
    // 指定しますか。"; on Yes the program file is chosen and nothing is started. A chosen
    // program that is not `confirmed` is started only after a question naming its full path
    // is answered Yes, which confirms it. A file that exists but cannot be started is
    // reported in an error box naming it.
    void Run(std::string& chosen, bool& confirmed, const std::string& programDir,
             const std::string& dataFileName);

    // AssignApplicationClick: the dialog proposes the current choice; OK replaces it, as a
    // confirmed program, cancel keeps it. The chosen file is taken without any test.
    void Assign(std::string& chosen, bool& confirmed);

private:
    Dialogs& dialogs_;
    ProgramFileChooser& chooser_;
    std::chrono::milliseconds startWait_;
};

} // namespace tessary
