#pragma once

#include <string>

namespace tessary {

// Where the program finds and keeps its files, from the path of its own program file.
struct ProgramPaths {
    std::string ProgramDir;   // folder of the program file, with the trailing separator
    std::string IniFileName;  // start-up settings file
    std::string HelpFileName; // the program file's path with ".chm"
    std::string DataFolder;   // folder of the default data file, with the trailing separator
};

// True when a file can be created in `folder`.
bool FolderWritable(const std::string& folder);

// The settings file sits beside the program (its path with ".ini") when the program's folder
// is writable, otherwise under `configFolder` with the same name; the default data file goes
// to the program's folder when writable, otherwise to `homeFolder`.
ProgramPaths ResolveProgramPaths(const std::string& programFile, const std::string& configFolder,
                                 const std::string& homeFolder);

} // namespace tessary
