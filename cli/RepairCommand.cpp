// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/RepairCommand.h"

#include "cli/CommandLine.h"
#include "cli/ExitCodes.h"
#include "cli/ReportErrors.h"
#include "cli/StatusConsole.h"
#include "cli/TerminalDialogs.h"
#include "cli/UsageError.h"
#include "data/RecordingRepair.h"

#include <cstdio>

namespace tessary {

namespace {

constexpr OptionSpec Options[] = {{"dry-run", 'n', false}};

std::string Bursts(std::int64_t n) {
    return std::to_string(n) + (n == 1 ? " burst" : " bursts");
}

std::string Found(const RecordingContents& found) {
    return (found.StatedBursts > 0
                ? "the header states " + Bursts(found.StatedBursts)
                : "the header states no burst count (" + std::to_string(found.StatedBursts) + ")") +
           ", the file holds " + std::to_string(found.CompleteBursts) + " complete";
}

} // namespace

std::string_view RepairCommand::Summary() const {
    return "finish a recording whose run was cut off";
}

std::string_view RepairCommand::Help() const {
    return "Usage: tessary-cli repair FILE [--dry-run]\n"
           "\n"
           "Finishes the SDF or TSD recording FILE whose run was cut off (the program was\n"
           "killed or crashed, or the power failed during the run) as Stop would have: the\n"
           "header then states the complete bursts of the file. A burst is complete when its\n"
           "whole block is in the file (SDF: by the file's length; TSD: its \"No.\" line and\n"
           "all its value lines), counting no more than the header states when that is above\n"
           "0. Only the burst count changes: in place in an SDF header (a partly written last\n"
           "block stays after the complete ones and does not count); in a TSD file the count\n"
           "line is rewritten as text and the lines of a partly written last block are\n"
           "dropped, through a copy beside the file (FILE with the extension .$$$) when the\n"
           "count changes its length. Every other byte stays as it was.\n"
           "\n"
           "A finished file is left unchanged. A file that holds no complete burst is left\n"
           "as it is (a count of 0 would mean \"record until Stop\"). A file that a run is\n"
           "recording right now is refused.\n"
           "\n"
           "Options:\n"
           "  -n, --dry-run  report what repair finds and would do; change nothing\n"
           "  -h, --help     show this text\n"
           "\n"
           "Exit status: 0 repaired, already finished or holding no complete burst, 1 the\n"
           "file cannot be read or written or is being recorded, 2 wrong usage.\n";
}

int RepairCommand::Run(const std::vector<std::string>& args) {
    const CommandLine line(args, Options);
    if (line.Positionals().size() != 1) {
        throw UsageError("repair needs exactly one FILE");
    }
    const std::string& path = line.Positionals()[0];
    StatusConsole console;
    TerminalDialogs dialogs(console, path, QuestionPolicy::AnswerYes, nullptr);
    return ReportErrors(dialogs, [&] {
        const bool change = !line.Has("dry-run");
        const auto report = RecordingRepair::Repair(path, dialogs, change);
        if (!report) {
            return ExitFailed; // the reader has said why
        }
        std::string text = path + ": ";
        switch (report->Result) {
        case RecordingRepair::Outcome::BeingRecorded:
            dialogs.Error(change ? "being recorded; a file is repaired only once its run has ended"
                                 : "being recorded; " + Found(report->Found) + " so far");
            return change ? ExitFailed : ExitOk;
        case RecordingRepair::Outcome::AlreadyFinished:
            text += "finished: the header states " + Bursts(report->Found.StatedBursts) +
                    " and the file holds them; left unchanged";
            break;
        case RecordingRepair::Outcome::NoCompleteBurst:
            text += Found(report->Found) + "; no complete burst to state, left as it is";
            break;
        case RecordingRepair::Outcome::Repaired:
            text += "cut off: " + Found(report->Found) +
                    (change ? "; the header now states " : "; repair would state ") +
                    Bursts(report->Found.CompleteBursts);
            if (report->DroppedBytes > 0) {
                text += std::string(change ? ", the " : " and drop the ") +
                        std::to_string(report->DroppedBytes) +
                        " bytes of a partly written block after them" + (change ? " dropped" : "");
            }
            if (report->Copied) {
                text += " (through a copy, as the count line changes its length)";
            }
            break;
        }
        text += "\n";
        std::fwrite(text.data(), 1, text.size(), stdout);
        if (std::fflush(stdout) != 0) {
            dialogs.Error("the report cannot be written to standard output");
            return ExitFailed;
        }
        return ExitOk;
    });
}

} // namespace tessary
