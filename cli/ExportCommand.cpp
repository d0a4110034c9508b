// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ExportCommand.h"

#include "cli/CommandLine.h"
#include "cli/ExitCodes.h"
#include "cli/ReportErrors.h"
#include "cli/StatusConsole.h"
#include "cli/StopSignals.h"
#include "cli/TerminalDialogs.h"
#include "cli/UsageError.h"
#include "export/RecordingExport.h"

#include <sys/stat.h>

namespace tessary {

namespace {

constexpr OptionSpec Options[] = {
    {"output", 'o', true},
    {"yes", 'y', false},
    {"compress", '\0', false},
};

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

bool Exists(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

std::int32_t Percent(std::int64_t done, std::int64_t total) {
    return total > 0 ? static_cast<std::int32_t>(done * 100 / total) : 0;
}

// What the operator should know about the bursts that are exported.
void TellWhatIsExported(TerminalDialogs& dialogs, const RecordingContents& contents) {
    const std::string held = std::to_string(contents.CompleteBursts);
    if (contents.BeingRecorded) {
        dialogs.Error("being recorded: exporting the " + held + " complete bursts it holds now");
    } else if (contents.StatedBursts <= 0) {
        dialogs.Error("warning: the header states no number of bursts, the file holds " + held +
                      "; exporting those");
    } else if (contents.CutOff()) {
        dialogs.Error("warning: the header states " + std::to_string(contents.StatedBursts) +
                      " bursts, the file holds " + held + "; exporting those");
    }
}

} // namespace

std::string_view ExportCommand::Summary() const {
    return "convert a recording to TSD, CSV or HDF5";
}

std::string_view ExportCommand::Help() const {
    return "Usage: tessary-cli export FILE.sdf|FILE.tsd -o OUT.tsd|OUT.csv|OUT.h5\n"
           "                          [--compress] [--yes]\n"
           "\n"
           "Converts the recording FILE (SDF of any layout, read as it is and left\n"
           "unchanged; TSD of version 1 or 2) burst by burst, so that a file larger than\n"
           "memory converts. The extension of OUT chooses the format:\n"
           "\n"
           "  OUT.tsd  a TSD file as the program writes it: the header, then per burst a\n"
           "           line \"No.n\" and one line per time step with the engineering values\n"
           "           A*X+B in 7 significant digits, \"=\" for a missing sample.\n"
           "  OUT.csv  UTF-8 CSV with the heading row burst,time_s,Item [Unit],... and one\n"
           "           row per time step: the burst (from 1), the time in seconds from the\n"
           "           burst's start and the engineering values (empty when missing).\n"
           "  OUT.h5   HDF5 (also .hdf5), readable by any HDF5 tool:\n"
           "           /samples       (bursts, DataNum, ChNum) the samples as stored: int16\n"
           "                          from SDF, float64 from TSD (NaN where \"=\"); one\n"
           "                          chunk per burst, or several for a long burst\n"
           "                          attributes scale, offset (per channel: A and B from\n"
           "                          SDF, 1 and 0 from TSD) and missing (-32768; 32767 in\n"
           "                          SDF layouts 1-3; NaN from TSD)\n"
           "           /burst_values  (bursts, BurstValueNum) the per-burst values, alike\n"
           "           /channels/item, unit, a, b   the channel table as stored\n"
           "           attributes of /: format, version, memo, start_time (ISO 8601),\n"
           "             start_time_days (days since 1899-12-30), sampling_interval,\n"
           "             sampling_interval_unit, sampling_interval_s, burst_interval,\n"
           "             burst_interval_unit, burst_interval_s, bursts (exported),\n"
           "             stated_bursts (the header's), samples_per_burst, channels,\n"
           "             burst_value_count\n"
           "           Engineering values of burst k, NaN where missing (h5py):\n"
           "             s = f[\"samples\"]; v = np.where(s[k] == s.attrs[\"missing\"], np.nan,\n"
           "                 s[k] * s.attrs[\"scale\"] + s.attrs[\"offset\"])\n"
           "\n"
           "The bursts exported are the complete ones: those the header states, as far as\n"
           "the file holds them whole. A file cut off early exports what it holds, with a\n"
           "warning; a file being recorded exports the bursts complete so far.\n"
           "The output is written to a temporary file \".OUT.<random>.tmp\" beside it and\n"
           "takes OUT's place only when complete: a failed or cancelled export leaves an\n"
           "earlier OUT exactly as it was (a killed one may leave the temporary file).\n"
           "A progress bar shows on a terminal; Ctrl-C (or SIGTERM) cancels.\n"
           "\n"
           "Options:\n"
           "  -o, --output OUT  the file to write; its extension chooses the format\n"
           "      --compress    HDF5: compress the bursts (shuffle and deflate), in chunks\n"
           "                    of at most 64 KiB\n"
           "  -y, --yes         overwrite an existing OUT without asking (without --yes\n"
           "                    the question is asked on a terminal, and refused without)\n"
           "  -h, --help        show this text\n"
           "\n"
           "Exit status: 0 converted, 1 a file cannot be read or written, 2 wrong usage,\n"
           "3 cancelled or not overwritten.\n";
}

int ExportCommand::Run(const std::vector<std::string>& args) {
    const CommandLine line(args, Options);
    if (line.Positionals().size() != 1) {
        throw UsageError("export needs exactly one recording FILE.sdf or FILE.tsd");
    }
    const auto output = line.Value("output");
    if (!output || output->empty()) {
        throw UsageError("export needs -o OUT.tsd, -o OUT.csv or -o OUT.h5");
    }
    ExportOptions options;
    const std::optional<ExportFormat> format = ExportFormatOf(*output);
    if (!format) {
        throw UsageError("the output " + *output + " must end in .tsd, .csv, .h5 or .hdf5");
    }
    options.Format = *format;
    options.Compress = line.Has("compress");
    if (options.Compress && options.Format != ExportFormat::Hdf5) {
        throw UsageError("--compress applies to an HDF5 output only");
    }
    const std::string& path = line.Positionals()[0];
    StatusConsole console;
    const StopSignals signals;
    TerminalDialogs dialogs(
        console, path, line.Has("yes") ? QuestionPolicy::AnswerYes : QuestionPolicy::Ask, &signals);
    return ReportErrors(dialogs, [&] {
        if (SameFile(path, *output)) {
            dialogs.Error("the output is the input file itself");
            return ExitFailed;
        }
        const bool earlier = Exists(*output);
        if (earlier) {
            dialogs.SetSubject(*output);
            if (!dialogs.Ask(MessageKind::Confirmation, "the output exists; overwrite it?")) {
                dialogs.Error(dialogs.CouldNotAsk()
                                  ? "the output exists; give --yes to overwrite it"
                                  : "the output exists and is left as it was");
                return ExitCancelled;
            }
            dialogs.SetSubject(path);
        }
        const auto cancelled = [&] {
            console.ClearBar();
            dialogs.Error(earlier ? "cancelled; the output is left as it was"
                                  : "cancelled; nothing is written");
            return ExitCancelled;
        };
        const std::unique_ptr<RecordingSource> source =
            RecordingSource::Open(path, dialogs, [&](std::int64_t done, std::int64_t total) {
                console.Bar(Percent(done, total), "reading");
                return !signals.Raised();
            });
        if (!source) {
            return ExitFailed;
        }
        if (signals.Raised()) {
            return cancelled();
        }
        console.ClearBar();
        TellWhatIsExported(dialogs, source->Contents());
        const bool done = ExportRecording(*source, *output, options,
                                          [&](std::int64_t written, std::int64_t total) {
                                              console.Bar(Percent(written, total), "");
                                              return !signals.Raised();
                                          });
        if (!done) {
            return cancelled();
        }
        console.ClearBar();
        return ExitOk;
    });
}

} // namespace tessary
