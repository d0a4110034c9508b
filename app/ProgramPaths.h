// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/UserFolders.h"

#include <string>

namespace tessary {

// Where the program finds and keeps its files, from the path of its own program file.
//
// A program counts as installed when its file lies in <prefix>/bin/ and <prefix>/share/tessary/
// exists, as `cmake --install` and the Debian package lay them out; any prefix counts, so an
// installation into a scratch root is installed too. The build folder (build/bin/) has no
// such data folder and is not installed. An installed program never writes beside itself,
// also when run as root: its settings go to the user's settings folder and the default data
// file to the home folder. A program that is not installed keeps both beside itself, or in
// the same user folders when its folder cannot be written.
struct ProgramPaths {
    std::string ProgramDir;       // folder of the program file, with the trailing separator
    std::string InstalledDataDir; // <prefix>/share/tessary/ when installed, else ""
    std::string IniFileName;      // start-up settings file
    // The help file beside the program (its path with ".chm"), else the installed one.
    std::string HelpFileName;
    // The simulated card's settings: beside the program, else in the user's settings folder,
    // else the installed default; when there is none, the name beside the program (a missing
    // file gives the card's defaults).
    std::string CardSettingsFile;
    // Folder of the default data file and starting folder of the parameter-file dialogs,
    // with the trailing separator.
    std::string DataFolder;

    bool Installed() const { return !InstalledDataDir.empty(); }
};

// <prefix>/share/tessary/ for a program folder <prefix>/bin/ when that data folder exists,
// otherwise "".
std::string InstalledDataFolder(const std::string& programDir);

// True when a file can be created in `folder`.
bool FolderWritable(const std::string& folder);

ProgramPaths ResolveProgramPaths(const std::string& programFile, const UserFolders& user);

// The path of the running program's file; "" when it cannot be found.
std::string RunningProgramFile();

} // namespace tessary
