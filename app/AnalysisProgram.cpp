// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AnalysisProgram.h"

#include "app/DetachedProcess.h"
#include "data/Errors.h"
#include "data/FileNames.h"
#include "texts/Texts.h"

#include <filesystem>
#include <system_error>

namespace tessary {

namespace {

// A file at the path, as the platform's file-exists test sees it: folders do not count.
bool ProgramFileExists(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error);
}

} // namespace

AnalysisProgram::AnalysisProgram(Dialogs& dialogs, ProgramFileChooser& chooser,
                                 std::chrono::milliseconds startWait)
    : dialogs_(dialogs), chooser_(chooser), startWait_(startWait) {}

std::string AnalysisProgram::ProgramPath(const std::string& chosen, const std::string& programDir) {
    return chosen.empty() ? programDir + DefaultProgramName : chosen;
}

std::string AnalysisProgram::WorkingFolder(const std::string& dataFileName) {
    std::string folder = FolderPart(dataFileName);
    // A root ("/", or a drive's root such as "C:\\" in a name written on Windows) keeps it.
    const bool root =
        folder.size() == 1 || (folder.size() >= 2 && folder[folder.size() - 2] == ':');
    if (!folder.empty() && !root) {
        folder.pop_back();
    }
    if (folder.empty()) {
        std::error_code error;
        folder = std::filesystem::current_path(error).string();
    }
    return folder;
}

void AnalysisProgram::Run(std::string& chosen, bool& confirmed, const std::string& programDir,
                          const std::string& dataFileName) {
    // One absolute path for the test and the start, which runs in another folder.
    std::error_code error;
    const std::string named = ProgramPath(chosen, programDir);
    const std::string absolute = std::filesystem::absolute(named, error).string();
    const std::string program = error ? named : absolute;
    const std::string folder = WorkingFolder(dataFileName);
    if (!ProgramFileExists(program)) {
        if (dialogs_.Ask(MessageKind::Error, texts::ProgramNotFoundQuestion)) {
            Assign(chosen, confirmed);
        }
        return;
    }
    if (!chosen.empty() && !confirmed) {
        if (!dialogs_.Ask(MessageKind::Confirmation, texts::ReceivedProgramQuestion(program))) {
            return;
        }
        confirmed = true;
    }
    try {
        DetachedProcess::Start(program, folder, startWait_);
    } catch (const InOutError& error) {
        dialogs_.ShowError(error.what());
    }
}

void AnalysisProgram::Assign(std::string& chosen, bool& confirmed) {
    if (const auto path = chooser_.ChooseProgramFile(chosen)) {
        chosen = *path;
        confirmed = true;
    }
}

} // namespace tessary
