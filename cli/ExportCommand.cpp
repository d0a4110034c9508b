#include "cli/ExportCommand.h"

#include "cli/CommandLine.h"
#include "cli/CsvExport.h"
#include "cli/DataFileFormat.h"
#include "cli/ExitCodes.h"
#include "cli/ReportErrors.h"
#include "cli/StatusConsole.h"
#include "cli/StopSignals.h"
#include "cli/TerminalDialogs.h"
#include "cli/UsageError.h"
#include "data/FileNames.h"
#include "data/SdfBlockReader.h"
#include "data/SdfHeaderLoader.h"
#include "data/TFrmSDFdata.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace tessary {

namespace {

constexpr OptionSpec Options[] = {{"output", 'o', true}};

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// The bursts to convert: those the header states, as far as the file holds them; a header
// that states none (a run recorded until stopped) gives every whole block.
std::int64_t BurstsToExport(const MeasurementParameters& record, const SdfLayoutInfo& layout) {
    const std::int64_t present = layout.BlocksPresent;
    const std::int64_t bursts =
        record.Iteration > 0 ? std::min<std::int64_t>(record.Iteration, present) : present;
    return std::min<std::int64_t>(bursts, std::numeric_limits<std::int16_t>::max());
}

} // namespace

std::string_view ExportCommand::Summary() const {
    return "convert an SDF recording to TSD or CSV";
}

std::string_view ExportCommand::Help() const {
    return "Usage: tessary-cli export FILE.sdf -o OUT.tsd|OUT.csv\n"
           "\n"
           "Converts the SDF recording FILE.sdf (any layout; an old layout is read as it is\n"
           "and left unchanged) block by block, so that a file larger than memory converts.\n"
           "\n"
           "  OUT.tsd  a TSD file as the program writes it: the header, then per burst a\n"
           "           line \"No.n\" and one line per time step with the engineering values\n"
           "           A*X+B in 7 significant digits, \"=\" for a missing sample.\n"
           "  OUT.csv  UTF-8 CSV with the heading row burst,time_s,Item [Unit],... and one\n"
           "           row per time step: the burst (from 1), the time in seconds from the\n"
           "           burst's start and the engineering values (empty when missing).\n"
           "\n"
           "The bursts converted are those the header states, as far as the file holds\n"
           "them; a file that holds fewer is converted as far as it goes, with a warning.\n"
           "Ctrl-C stops the conversion and removes the unfinished output.\n"
           "\n"
           "Options:\n"
           "  -o, --output OUT  the file to write; its extension chooses the format\n"
           "  -h, --help        show this text\n"
           "\n"
           "Exit status: 0 converted, 1 a file cannot be read or written, 2 wrong usage,\n"
           "3 cancelled.\n";
}

int ExportCommand::Run(const std::vector<std::string>& args) {
    const CommandLine line(args, Options);
    if (line.Positionals().size() != 1) {
        throw UsageError("export needs exactly one FILE.sdf");
    }
    const auto output = line.Value("output");
    if (!output || output->empty()) {
        throw UsageError("export needs -o OUT.tsd or -o OUT.csv");
    }
    const std::string extension = UpperExtension(*output);
    if (extension != ".TSD" && extension != ".CSV") {
        throw UsageError("the output " + *output + " must end in .tsd or .csv");
    }
    const std::string& path = line.Positionals()[0];
    StatusConsole console;
    const StopSignals signals;
    TerminalDialogs dialogs(console, path, QuestionPolicy::AnswerYes, &signals);
    bool outputStarted = false;
    const int status = ReportErrors(dialogs, [&] {
        if (DetectDataFormat(path) != DataFormat::Sdf) {
            dialogs.Error("export reads SDF files only");
            return ExitFailed;
        }
        if (SameFile(path, *output)) {
            dialogs.Error("the output is the input file itself");
            return ExitFailed;
        }
        TFrmSDFdata holder(dialogs);
        SdfHeaderLoader loader(holder);
        if (!loader.Load(path)) {
            return ExitFailed;
        }
        MeasurementParameters& record = holder.Record();
        const std::int64_t bursts = BurstsToExport(record, loader.Layout());
        if (record.Iteration > bursts) {
            dialogs.Error("warning: the header states " + std::to_string(record.Iteration) +
                          " bursts, the file holds " + std::to_string(bursts) +
                          "; converting those");
        }
        SdfBlockReader blocks(path, loader.Layout());
        std::optional<CsvExport> csv;
        outputStarted = true;
        if (extension == ".CSV") {
            csv.emplace(*output, record);
        } else {
            record.Iteration = static_cast<std::int16_t>(bursts);
            if (!holder.WriteTsdHeader(*output)) {
                throw FileError(*output, "cannot be written");
            }
            record.TargetFileName = *output;
        }
        for (std::int64_t k = 0; k < bursts; ++k) {
            if (signals.Raised()) {
                console.ClearBar();
                dialogs.Error("cancelled; the unfinished output is removed");
                return ExitCancelled;
            }
            console.Bar(static_cast<std::int32_t>(k * 100 / bursts), "");
            blocks.Read(k, record);
            if (csv) {
                csv->WriteBurst(k, record);
            } else if (!holder.WriteTsdBlock(static_cast<std::int32_t>(k))) {
                throw FileError(*output, "cannot be written");
            }
        }
        if (csv) {
            csv->Close();
        }
        console.ClearBar();
        outputStarted = false;
        return ExitOk;
    });
    if (outputStarted) {
        ::unlink(output->c_str());
    }
    return status;
}

} // namespace tessary
