// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/UpgradeCommand.h"

#include "cli/CommandLine.h"
#include "cli/DataFileFormat.h"
#include "cli/ExitCodes.h"
#include "cli/ReportErrors.h"
#include "cli/StatusConsole.h"
#include "cli/StopSignals.h"
#include "cli/TerminalDialogs.h"
#include "cli/TerminalProgress.h"
#include "cli/UsageError.h"
#include "data/TFrmSDFdata.h"
#include "upgrade/OldFormatUpgrade.h"

namespace tessary {

namespace {

constexpr OptionSpec Options[] = {{"yes", 'y', false}};

} // namespace

std::string_view UpgradeCommand::Summary() const {
    return "convert an SDF file of layout 1 to 3 in place to layout 4";
}

std::string_view UpgradeCommand::Help() const {
    return "Usage: tessary-cli upgrade FILE.sdf [--yes]\n"
           "\n"
           "Converts the SDF file FILE.sdf of layout 1, 2 or 3 in place to the current\n"
           "layout 4, as the program does when it loads such a file. Unless --yes is\n"
           "given, the program's question\n"
           "  データの形式が旧式です。更新してよろしいですか。\n"
           "is asked on the terminal (y/N); without a terminal the file is left alone.\n"
           "The bursts are copied into a temporary file of its own beside the file (named\n"
           "after it), which takes the file's place, with its permission bits, only when\n"
           "complete and forced to the disk; a progress bar shows on a terminal. Ctrl-C (or\n"
           "SIGTERM) cancels like the dialog's Cancel button: the file stays as it was. A\n"
           "file of layout 4 is left unchanged.\n"
           "\n"
           "Options:\n"
           "  -y, --yes   convert without asking\n"
           "  -h, --help  show this text\n"
           "\n"
           "Exit status: 0 converted or already current, 1 the file cannot be read or\n"
           "written, 2 wrong usage, 3 not converted (answered No, no terminal to ask on,\n"
           "or cancelled).\n";
}

int UpgradeCommand::Run(const std::vector<std::string>& args) {
    const CommandLine line(args, Options);
    if (line.Positionals().size() != 1) {
        throw UsageError("upgrade needs exactly one FILE.sdf");
    }
    const std::string& path = line.Positionals()[0];
    StatusConsole console;
    const StopSignals signals;
    TerminalDialogs dialogs(
        console, path, line.Has("yes") ? QuestionPolicy::AnswerYes : QuestionPolicy::Ask, &signals);
    TerminalProgress progress(console, signals);
    return ReportErrors(dialogs, [&] {
        const int version = SdfVersion(path);
        TFrmSDFdata holder(dialogs);
        OldFormatUpgrade upgrade(progress);
        holder.SetUpgrader(&upgrade);
        if (holder.ReadSdfHeader(path)) {
            console.Line(path + ": " +
                         (version == 4 ? "already layout 4; left unchanged"
                                       : "converted from layout " + std::to_string(version) +
                                             " to layout 4"));
            return ExitOk;
        }
        if (dialogs.CouldNotAsk()) {
            dialogs.Error("layout " + std::to_string(version) +
                          " is not converted: no terminal to ask on (give --yes to convert)");
            return ExitCancelled;
        }
        if (dialogs.AnsweredNo()) {
            dialogs.Error("not converted; the file is unchanged");
            return ExitCancelled;
        }
        if (signals.Raised()) {
            dialogs.Error("conversion cancelled; the file is unchanged");
            return ExitCancelled;
        }
        return ExitFailed; // the reader has shown its message
    });
}

} // namespace tessary
