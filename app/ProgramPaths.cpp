#include "app/ProgramPaths.h"

#include "data/FileNames.h"

#include <unistd.h>

namespace tessary {

namespace {

std::string WithSeparator(std::string folder) {
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

} // namespace

bool FolderWritable(const std::string& folder) {
    const std::string probe = folder.empty() ? std::string(".") : folder;
    return ::access(probe.c_str(), W_OK | X_OK) == 0;
}

ProgramPaths ResolveProgramPaths(const std::string& programFile, const std::string& configFolder,
                                 const std::string& homeFolder) {
    ProgramPaths paths;
    paths.ProgramDir = FolderPart(programFile);
    paths.HelpFileName = ReplaceExtension(programFile, ".chm");
    const bool besideProgram = FolderWritable(paths.ProgramDir);
    const std::string ini = ReplaceExtension(programFile, ".ini");
    paths.IniFileName = besideProgram ? ini : WithSeparator(configFolder) + NamePart(ini);
    paths.DataFolder = besideProgram ? paths.ProgramDir : WithSeparator(homeFolder);
    return paths;
}

} // namespace tessary
