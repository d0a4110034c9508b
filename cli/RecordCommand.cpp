// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/RecordCommand.h"

#include "acquisition/CardMessageQueue.h"
#include "acquisition/CardName.h"
#include "acquisition/RunControl.h"
#include "acquisition/SimulatedCard.h"
#include "acquisition/TextConversions.h"
#include "acquisition/sigrok/SigrokCard.h"
#include "acquisition/sigrok/SigrokCardSettings.h"
#include "app/ParameterFile.h"
#include "app/ProgramPaths.h"
#include "app/StartupDefaults.h"
#include "cli/CommandLine.h"
#include "cli/ExitCodes.h"
#include "cli/OptionNumbers.h"
#include "cli/RecordStopRule.h"
#include "cli/ReportErrors.h"
#include "cli/RunDriver.h"
#include "cli/StatusConsole.h"
#include "cli/StopSignals.h"
#include "cli/TerminalDialogs.h"
#include "cli/TerminalRunView.h"
#include "cli/UsageError.h"
#include "data/FileNames.h"
#include "data/TFrmSDFdata.h"
#include "texts/Texts.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <unistd.h>

namespace tessary {

namespace {

using Seconds = std::chrono::duration<double>;

constexpr OptionSpec Options[] = {
    {"output", 'o', true},
    {"type", '\0', true},
    {"card", '\0', true},
    {"card-config", '\0', true},
    {"stop-after-seconds", '\0', true},
    {"stop-after-bursts", '\0', true},
    {"stop-in-burst", '\0', true},
    {"yes", 'y', false},
};

RecordStopRule StopRuleOf(const CommandLine& line) {
    RecordStopRule rule;
    if (const auto s = line.Value("stop-after-seconds")) {
        rule.AfterSeconds = Seconds(ParseSeconds("stop-after-seconds", *s));
    }
    if (const auto n = line.Value("stop-after-bursts")) {
        rule.AfterBursts = ParseCount("stop-after-bursts", *n);
    }
    if (const auto bn = line.Value("stop-in-burst")) {
        const BurstScans at = ParseBurstScans("stop-in-burst", *bn);
        rule.InBurst = at.Burst;
        rule.InBurstScans = at.Scans;
    }
    return rule;
}

std::optional<int> FileTypeOf(const CommandLine& line) {
    const auto type = line.Value("type");
    if (!type) {
        return std::nullopt;
    }
    if (*type == "sdf" || *type == "SDF") {
        return FileTypeSdf;
    }
    if (*type == "tsd" || *type == "TSD") {
        return FileTypeTsd;
    }
    throw UsageError("--type: \"" + *type + "\" is not sdf or tsd");
}

// -o and --type over the APM file's Save Name and File Type. A type without -o changes
// the Save Name's extension as the window's file-type choice does.
void ApplyOverrides(const CommandLine& line, std::optional<int> fileType, ControlValues& controls) {
    if (fileType) {
        if (!line.Has("output") && *fileType != controls.FileType) {
            controls.FileName =
                ReplaceExtension(controls.FileName, *fileType == FileTypeTsd ? ".tsd" : ".sdf");
        }
        controls.FileType = *fileType;
    }
    if (const auto output = line.Value("output")) {
        controls.FileName = *output;
    }
}

// A stop inside a burst needs scans that come before the burst's end.
void CheckStopInBurst(const RecordStopRule& rule, const ControlValues& controls) {
    if (!rule.InBurst) {
        return;
    }
    std::int32_t dataNum = 0;
    try {
        dataNum = TextToInt(controls.DataNum);
    } catch (const ConversionError&) {
        return; // GatherSettings reports the text when the run starts
    }
    if (dataNum > 0 && rule.InBurstScans >= dataNum) {
        throw UsageError("--stop-in-burst: " + std::to_string(rule.InBurstScans) +
                         " scans are not below the number of data (" + std::to_string(dataNum) +
                         ")");
    }
}

CardName CardNameOf(const CommandLine& line) {
    const auto text = line.Value("card");
    if (!text) {
        return CardName{};
    }
    std::string why;
    const std::optional<CardName> name = CardName::Parse(*text, &why);
    if (!name) {
        throw UsageError("--card: \"" + *text + "\" is " + why);
    }
    return *name;
}

bool Readable(const std::string& path, std::string& why) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        why = std::string("cannot be opened (") + std::strerror(errno) + ")";
        return false;
    }
    ::close(fd);
    return true;
}

std::string CurrentFolder() {
    std::error_code error;
    const std::string folder = std::filesystem::current_path(error).string();
    return error || folder.empty() ? std::string("./") : folder + "/";
}

} // namespace

std::string_view RecordCommand::Summary() const {
    return "record the measurement of an APM file on the simulated card or a sigrok device";
}

std::string_view RecordCommand::Help() const {
    return "Usage: tessary-cli record PARAMS.apm [-o FILE] [--type sdf|tsd] [--card CARD]\n"
           "                          [--card-config FILE] [--stop-after-seconds S]\n"
           "                          [--stop-after-bursts N] [--stop-in-burst B:N] [--yes]\n"
           "\n"
           "Runs the measurement that the parameter file PARAMS.apm describes, as the\n"
           "window's Start button does with the same settings: the header of the data file,\n"
           "the wait before the first burst, then one burst after another on the burst\n"
           "interval's schedule, each written as a block. The card is the simulated card,\n"
           "configured by FILE, or else by the first AdLibSim.ini found beside tessary-cli,\n"
           "in ~/.config/tessary/ or in the installed data folder; or the sigrok device that\n"
           "--card names.\n"
           "\n"
           "A sigrok device (libsigrok: oscilloscopes, data-acquisition devices, multimeters,\n"
           "data loggers) records channel k of the file from its analog input k. Each value\n"
           "is stored in thousandths of the device's unit (mV for volts); a reading beyond\n"
           "+-32.767 units is stored as missing. A sampling interval whose inverse is a whole\n"
           "number of Hz that the device offers is timed by the device; intervals of 1 sec\n"
           "and more, and every interval on a device without a sample rate, take the latest\n"
           "reading of each input at each sampling instant. FILE sets the device up:\n"
           "  [Card] Options=KEY=VALUE[:KEY=VALUE...]   device options (sigrok-cli --config)\n"
           "  [Ch1]..[Ch8] Options=KEY=VALUE[:...]       options of the input's channel group\n"
           "  [Ch1]..[Ch8] Divider=D                     the reading is divided by D first,\n"
           "                                            like a divider in front of the card\n"
           "Examples:\n"
           "  tessary-cli record run.apm --card sigrok:demo --card-config demo.ini\n"
           "    with demo.ini:  [Ch1] Options=pattern=sine:amplitude=2:offset=1\n"
           "                    [Ch2] Options=pattern=square\n"
           "  tessary-cli record run.apm --card sigrok:hantek-6xxx:conn=1.5 --card-config "
           "scope.ini\n"
           "    with scope.ini: [Ch1] Options=vdiv=1V:coupling=DC\n"
           "    (conn is the USB bus.address that `sigrok-cli --scan` shows)\n"
           "\n"
           "The state texts of the window are printed on stderr one line each (\"計測待ち\",\n"
           "\"1回目の計測\", \"変換中\", \"2回目の計測待ち\", ..., \"変換終了\" or \"変換中止\"); "
           "on a\n"
           "terminal a progress bar shows the countdown and the burst's progress.\n"
           "\n"
           "Ctrl-C, SIGTERM and the stop options press the Stop button: the interrupted\n"
           "burst is written with its missing samples marked and the header is corrected to\n"
           "the bursts begun, so the file is complete.\n"
           "\n"
           "Options:\n"
           "  -o, --output FILE        the data file, instead of the APM file's Save Name\n"
           "  --type sdf|tsd           the file type, instead of the APM file's File Type;\n"
           "                           without -o the Save Name gets the type's extension\n"
           "  --card CARD              simulated (the default), or sigrok:DRIVER[:KEY=VALUE...]\n"
           "                           in sigrok's driver syntax (sigrok:demo,\n"
           "                           sigrok:fluke-dmm:conn=/dev/ttyUSB0)\n"
           "  --card-config FILE       the card's settings: for the simulated card [Card]\n"
           "                           Present, Kind, FailStep, AbnormalEndScan,\n"
           "                           RingBufferWords; [Ch1]..[Ch8] Signal=sine|square|\n"
           "                           ramp|noise, Amplitude, Offset, Frequency; for a\n"
           "                           sigrok device as above\n"
           "  --stop-after-seconds S   stop S seconds after the run began (this may fall\n"
           "                           into the wait before the first burst)\n"
           "  --stop-after-bursts N    stop right after burst N completed\n"
           "  --stop-in-burst B:N      stop during burst B (from 1) as soon as at least N of\n"
           "                           its scans were converted; N below the number of data\n"
           "  -y, --yes                overwrite an existing data file without asking\n"
           "  -h, --help               show this text\n"
           "\n"
           "Without --yes an existing data file is only overwritten after the question\n"
           "\"同名のファイルが存在します。 上書きしてよろしいですか。\" is answered y on the "
           "terminal.\n"
           "\n"
           "The data file is emptied when the run starts, and locked while it runs: a\n"
           "second record (or the window) on the same file is refused. Each block is forced\n"
           "to the disk before it counts, so a power loss costs at most the burst in\n"
           "progress (`tessary-cli repair` finishes such a file). The first block that\n"
           "cannot be written (a full disk, a file-size limit, a failing medium) ends the\n"
           "run: the file is finished to state the blocks written, and the error names the\n"
           "file, the burst and the system's reason. An SDF run whose last block would\n"
           "start past the 2 GB offset limit is refused before anything is touched; a run\n"
           "without a burst count (Iteration 0 or less) ends at 32767 bursts, or when its\n"
           "next SDF block would pass that limit, with the file finished.\n"
           "\n"
           "Exit status: 0 the run completed, was stopped or reached the most bursts a run\n"
           "without a count can hold, 1 the run could not start or ended in an error (a\n"
           "block that cannot be written, a ring-buffer overflow), 2 wrong usage, 3 the\n"
           "data file exists and was not to be overwritten.\n";
}

int RecordCommand::Run(const std::vector<std::string>& args) {
    const CommandLine line(args, Options);
    if (line.Positionals().size() != 1) {
        throw UsageError("record needs exactly one PARAMS.apm");
    }
    const RecordStopRule rule = StopRuleOf(line);
    const std::optional<int> fileType = FileTypeOf(line);
    const CardName cardName = CardNameOf(line);
    const std::string& apm = line.Positionals()[0];

    StatusConsole console;
    const StopSignals signals;
    TerminalDialogs dialogs(
        console, apm, line.Has("yes") ? QuestionPolicy::AnswerYes : QuestionPolicy::Ask, &signals);
    return ReportErrors(dialogs, [&] {
        std::string why;
        if (!Readable(apm, why)) {
            dialogs.Error(why);
            return ExitFailed;
        }
        TFrmSDFdata holder(dialogs);
        ApplyStartupDefaults(holder.Record());
        ControlValues controls = StartupControlValues(holder.Record(), CurrentFolder());
        ReadParameterFile(apm, controls, dialogs);
        ApplyOverrides(line, fileType, controls);
        CheckStopInBurst(rule, controls);

        if (controls.FileName.empty()) {
            dialogs.Error("no data file: the file has no Save Name; give -o FILE");
            return ExitFailed;
        }
        const auto config = line.Value("card-config");
        std::string cardConfig =
            config ? *config
                   : (cardName.Type == CardName::Kind::Simulated
                          ? ResolveProgramPaths(RunningProgramFile(), CurrentUserFolders())
                                .CardSettingsFile
                          : std::string());
        dialogs.SetSubject(cardConfig);
        if (config && !Readable(cardConfig, why)) {
            dialogs.Error(why);
            return ExitFailed;
        }
        // The run's schedule and the card's timing keep one monotonic clock.
        const SystemClock clock;
        std::unique_ptr<AdLib32> card;
        if (cardName.Type == CardName::Kind::Simulated) {
            card = std::make_unique<SimulatedCard>(SimulatedCardSettings::Load(cardConfig),
                                                   clock.MonotonicTime());
        } else {
            card = std::make_unique<SigrokCard>(
                cardName, config ? SigrokCardSettings::Load(cardConfig) : SigrokCardSettings{},
                clock.MonotonicTime());
            dialogs.SetSubject(cardName.Text());
        }
        if (!DetectCard(*card)) {
            const std::string detail = card->LastFailure();
            dialogs.Error(detail.empty() ? std::string(texts::NoCard)
                                         : std::string(texts::NoCard) + " " + detail);
            return ExitFailed;
        }

        dialogs.SetSubject(controls.FileName);
        CardMessageQueue messages;
        RunSettings settings;
        TerminalRunView view(console);
        RunControl run(*card, messages, holder, settings, view, dialogs, clock);
        const int shownBefore = dialogs.MessagesShown();
        if (!run.BtnAdStartClick(controls)) {
            const bool overwrite = dialogs.LastQuestion() == texts::OverwriteQuestion;
            if (dialogs.CouldNotAsk()) {
                dialogs.Error(overwrite ? "the file exists; give --yes to overwrite it"
                                        : "too little free space for the planned recording; "
                                          "give --yes to record anyway");
                return ExitCancelled;
            }
            if (dialogs.AnsweredNo()) {
                dialogs.Error(overwrite ? "the file exists and is left as it was"
                                        : "not recorded for want of free space; nothing changed");
                return ExitCancelled;
            }
            if (dialogs.MessagesShown() == shownBefore) {
                dialogs.Error("the settings of " + apm + " are out of range; nothing recorded");
            }
            return ExitFailed;
        }

        const int shownAtStart = dialogs.MessagesShown();
        RunDriver(run, messages, rule, signals).DriveUntilEnd(clock);
        console.ClearBar();
        const RunOutcome& outcome = run.Outcome();
        if (outcome.How == RunOutcome::End::Completed || outcome.How == RunOutcome::End::Stopped) {
            return ExitOk;
        }
        if (outcome.How == RunOutcome::End::LimitReached) {
            console.Line("tessary-cli: " + controls.FileName + ": " + outcome.Reason);
            return ExitOk;
        }
        if (dialogs.MessagesShown() == shownAtStart) {
            dialogs.Error("the run ended early: " + outcome.Reason); // not shown by the run itself
        }
        return ExitFailed;
    });
}

} // namespace tessary
