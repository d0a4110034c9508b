// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ProgramArguments.h"

#include "data/FileNames.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessary {

namespace {

bool IsHelp(const std::string& arg) {
    return arg == "--help" || arg == "-h";
}

bool IsRecording(const std::string& path) {
    const std::string extension = UpperExtension(path);
    return extension == ".SDF" || extension == ".TSD";
}

} // namespace

ProgramArguments::ProgramArguments(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--") {
            break;
        }
        if (IsHelp(arg) || arg == "--version") {
            action_ = IsHelp(arg) ? Action::Help : Action::Version;
            return;
        }
    }
    std::vector<std::string> files;
    bool options = true;
    bool view = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (options && arg == "--") {
            options = false;
        } else if (options && arg == "--view") {
            if (view || i + 1 == args.size()) {
                action_ = Action::Wrong;
                problem_ = view ? "--view given twice" : "--view needs a FILE";
                return;
            }
            view = true;
            viewFile_ = args[++i];
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            action_ = Action::Wrong;
            problem_ = "unknown option \"" + arg + "\"";
            return;
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() + (view ? 1 : 0) > 1) {
        action_ = Action::Wrong;
        problem_ = "one FILE at most, not " + std::to_string(files.size() + (view ? 1 : 0));
        viewFile_.clear();
        return;
    }
    if (files.size() == 1) {
        if (IsRecording(files[0])) {
            viewFile_ = files[0];
        } else if (UpperExtension(files[0]) == ".APM") {
            startFile_ = files[0];
        } else {
            action_ = Action::Wrong;
            problem_ = files[0] + ": not a parameter file (.apm) or a recording (.sdf, .tsd)";
        }
    }
}

std::string ProgramArguments::HelpText() {
    return "Usage: tessary [FILE]\n"
           "       tessary --view FILE\n"
           "       tessary --help | --version\n"
           "\n"
           "Starts the Tessary window: set up a measurement on the A/D card (the\n"
           "simulated card where there is none), record it burst by burst into an SDF or\n"
           "TSD data file, and watch its channels while it runs.\n"
           "\n"
           "A parameter file FILE (.apm) is loaded once the window has started, after\n"
           "the settings of the last session, exactly as the File menu's load command\n"
           "loads it; an analysis program that it names is only taken with the\n"
           "operator's agreement. A recording FILE (.sdf, .tsd) opens in a viewer\n"
           "window beside the main window, read-only: its header and its complete\n"
           "bursts, one at a time. The File menu's load command still takes the\n"
           "measurement settings of a recording's header.\n"
           "\n"
           "Options:\n"
           "  --view FILE    open the recording FILE in a viewer, whatever its name\n"
           "  -h, --help     show this text\n"
           "  --version      show the version\n"
           "\n"
           "Qt's own options, such as -platform offscreen or -style NAME, are understood\n"
           "as well. SIGTERM, SIGINT and SIGHUP close the window as its close command\n"
           "does: a run is stopped with its file finished, and the settings are kept.\n"
           "\n"
           "Exit status: 0 the window was closed, 1 FILE cannot be read, 2 wrong usage.\n";
}

std::string StartFileProblem(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return std::string("cannot be opened (") + std::strerror(errno) + ")";
    }
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    return regular ? std::string() : std::string("is not a file");
}

} // namespace tessary
