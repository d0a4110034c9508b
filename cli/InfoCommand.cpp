// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/InfoCommand.h"

#include "cli/CommandLine.h"
#include "cli/DataFileFormat.h"
#include "cli/ExitCodes.h"
#include "cli/HeaderReport.h"
#include "cli/ReportErrors.h"
#include "cli/StatusConsole.h"
#include "cli/TerminalDialogs.h"
#include "cli/UsageError.h"
#include "data/RecordingContents.h"

#include <cstdio>

namespace tessary {

namespace {

constexpr OptionSpec Options[] = {{"json", '\0', false}};

} // namespace

std::string_view InfoCommand::Summary() const {
    return "print the header of an SDF or TSD file";
}

std::string_view InfoCommand::Help() const {
    return "Usage: tessary-cli info FILE [--json]\n"
           "\n"
           "Prints every header field of the SDF or TSD file FILE and its channel table\n"
           "(one row for each channel and each per-burst value), texts in UTF-8. For an\n"
           "SDF file also the block size, the header size in 256-byte units and the number\n"
           "of whole blocks in the file. An SDF file of an old layout (1 to 3) is reported\n"
           "as it is and left unchanged; `tessary-cli upgrade` converts it.\n"
           "\n"
           "Then the complete bursts of the file: whole blocks by the file's length (SDF)\n"
           "or \"No.\" blocks with all their lines (TSD), no more than the header states when\n"
           "that is above 0. A recording whose run was cut off (killed, crashed, power lost)\n"
           "is reported as such (\"the header states N bursts, the file holds M complete\");\n"
           "`tessary-cli repair` finishes it. A file that a run records right now is\n"
           "reported as being recorded, with the bursts complete so far.\n"
           "\n"
           "The format is taken from the extension (.sdf, .tsd in any case), otherwise\n"
           "from the first bytes of the file.\n"
           "\n"
           "Options:\n"
           "  --json      print one JSON object with the keys format, version, Memo, ChNum,\n"
           "              BurstValueNum, DataNum, SInterval, SITUnit, Iteration, BInterval,\n"
           "              BITUnit, StartTime (days since 1899-12-30), StartTimeText,\n"
           "              Channels (list of {Item, Unit, A, B}) and, for SDF, BlockBytes,\n"
           "              HeaderBlocks and BlocksPresent; then CompleteBursts, CutOff and\n"
           "              BeingRecorded. Units are names (\"msec\");\n"
           "              numbers JSON cannot hold are null.\n"
           "  -h, --help  show this text\n"
           "\n"
           "Exit status: 0 printed, 1 the file cannot be read, 2 wrong usage.\n";
}

int InfoCommand::Run(const std::vector<std::string>& args) {
    const CommandLine line(args, Options);
    if (line.Positionals().size() != 1) {
        throw UsageError("info needs exactly one FILE");
    }
    const std::string& path = line.Positionals()[0];
    StatusConsole console;
    TerminalDialogs dialogs(console, path, QuestionPolicy::AnswerYes, nullptr);
    return ReportErrors(dialogs, [&] {
        const auto format = DetectDataFormat(path);
        if (!format) {
            dialogs.Error("not an SDF or TSD file (extension .sdf or .tsd expected)");
            return ExitFailed;
        }
        MeasurementParameters record;
        const std::optional<RecordingContents> contents = ExamineRecording(path, dialogs, record);
        if (!contents) {
            return ExitFailed;
        }
        const HeaderReport header(record, *contents);
        const std::string report = line.Has("json") ? header.Json() : header.Text(path);
        std::fwrite(report.data(), 1, report.size(), stdout);
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            dialogs.Error("the header cannot be written to standard output");
            return ExitFailed;
        }
        return ExitOk;
    });
}

} // namespace tessary
