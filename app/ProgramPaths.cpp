// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ProgramPaths.h"

#include "acquisition/SimulatedCardSettings.h"
#include "data/FileNames.h"

#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace tessary {

namespace {

// The layout that the install rules in CMakeLists.txt create.
constexpr std::string_view BinFolder = "bin/";
constexpr std::string_view DataFolderOfPrefix = "share/tessary/";

bool IsFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

std::string InstalledDataFolder(const std::string& programDir) {
    // Appended, not "/" + ...: GCC 12 at -O3 takes the latter for an overlapping copy.
    std::string suffix = "/";
    suffix += BinFolder;
    if (programDir.size() < suffix.size() ||
        programDir.compare(programDir.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return {};
    }
    const std::string data = programDir.substr(0, programDir.size() - BinFolder.size()) +
                             std::string(DataFolderOfPrefix);
    return IsFolder(data) ? data : std::string();
}

bool FolderWritable(const std::string& folder) {
    const std::string probe = folder.empty() ? std::string(".") : folder;
    return ::access(probe.c_str(), W_OK | X_OK) == 0;
}

ProgramPaths ResolveProgramPaths(const std::string& programFile, const UserFolders& user) {
    ProgramPaths paths;
    paths.ProgramDir = FolderPart(programFile);
    paths.InstalledDataDir = InstalledDataFolder(paths.ProgramDir);
    const bool installed = paths.Installed();

    const std::string ini = ReplaceExtension(programFile, ".ini");
    const bool besideProgram = !installed && FolderWritable(paths.ProgramDir);
    paths.IniFileName = besideProgram ? ini : user.Config + NamePart(ini);
    paths.DataFolder = besideProgram ? paths.ProgramDir : user.Home;

    const std::string help = ReplaceExtension(programFile, ".chm");
    paths.HelpFileName =
        installed && !IsFile(help) ? paths.InstalledDataDir + NamePart(help) : help;

    const std::string card = paths.ProgramDir + SimulatedCardIniName;
    paths.CardSettingsFile = card;
    for (const std::string& candidate :
         {card, user.Config + SimulatedCardIniName,
          installed ? paths.InstalledDataDir + SimulatedCardIniName : std::string()}) {
        if (!candidate.empty() && IsFile(candidate)) {
            paths.CardSettingsFile = candidate;
            break;
        }
    }
    return paths;
}

std::string RunningProgramFile() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
}

} // namespace tessary
