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

bool Loadable(const std::string& path) {
    const std::string extension = UpperExtension(path);
    return extension == ".APM" || extension == ".SDF" || extension == ".TSD";
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
    for (const std::string& arg : args) {
        if (options && arg == "--") {
            options = false;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            action_ = Action::Wrong;
            problem_ = "unknown option \"" + arg + "\"";
            return;
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() > 1) {
        action_ = Action::Wrong;
        problem_ = "one FILE at most, not " + std::to_string(files.size());
        return;
    }
    if (files.size() == 1) {
        if (!Loadable(files[0])) {
            action_ = Action::Wrong;
            problem_ = files[0] + ": not a parameter file (.apm) or a recording (.sdf, .tsd)";
            return;
        }
        startFile_ = files[0];
    }
}

std::string ProgramArguments::HelpText() {
    return "Usage: tessary [FILE]\n"
           "       tessary --help | --version\n"
           "\n"
           "Starts the Tessary window: set up a measurement on the A/D card (the\n"
           "simulated card where there is none), record it burst by burst into an SDF or\n"
           "TSD data file, and watch its channels while it runs.\n"
           "\n"
           "FILE is loaded once the window has started, after the settings of the last\n"
           "session, exactly as the File menu's load command loads it: a parameter file\n"
           "(.apm) sets the controls it names; a recording (.sdf, .tsd) gives the\n"
           "measurement settings of its header. An analysis program that a parameter\n"
           "file names is only taken with the operator's agreement.\n"
           "\n"
           "Options:\n"
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
