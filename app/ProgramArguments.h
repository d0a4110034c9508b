// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace tessary {

// The window program's command line, read before the window exists:
//   tessary [FILE]            the window; a parameter file (.apm) loaded at start, a
//                             recording (.sdf, .tsd) opened in a viewer
//   tessary --view FILE       the window and a viewer of the recording FILE
//   tessary --help | --version
// --help and --version win over anything else on the line, so they answer even where Qt's
// own options (-platform NAME, ...) are still in it; the rest is read once Qt has taken
// those out. "--" ends the options.
class ProgramArguments {
public:
    enum class Action {
        Run,     // start the window
        Help,    // print HelpText()
        Version, // print the version
        Wrong,   // print Problem() and stop with the usage status
    };

    // `args` without the program's own name.
    explicit ProgramArguments(const std::vector<std::string>& args);

    Action What() const { return action_; }
    // The parameter file to load at start ("" when none), as the File menu's load command
    // takes it.
    const std::string& StartFile() const { return startFile_; }
    // The recording to open in a viewer at start ("" when none).
    const std::string& ViewFile() const { return viewFile_; }
    const std::string& Problem() const { return problem_; }

    static std::string HelpText();

private:
    Action action_ = Action::Run;
    std::string startFile_;
    std::string viewFile_;
    std::string problem_;
};

// Why `path` cannot be loaded at start ("" when it opens for reading), so that a file named
// on the command line that is not there is reported instead of silently ignored.
std::string StartFileProblem(const std::string& path);

} // namespace tessary
