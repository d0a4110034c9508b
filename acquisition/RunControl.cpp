// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/RunControl.h"

#include "acquisition/MeasurementSetup.h"
#include "acquisition/StartChecks.h"
#include "acquisition/StartFieldCheck.h"
#include "data/DateTime.h"
#include "data/Errors.h"
#include "data/PosixFile.h"
#include "data/RecordingContents.h"
#include "data/SdfWriter.h"
#include "data/TimeUnits.h"
#include "texts/Texts.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <filesystem>
#include <limits>
#include <system_error>
#include <unistd.h>

namespace tessary {

namespace {

constexpr std::int32_t MaxScansPerFetch = 32;
constexpr auto BurstPassWait = std::chrono::milliseconds(1);
constexpr auto MaxWaitingWait = std::chrono::milliseconds(20);
constexpr auto IdleWait = std::chrono::milliseconds(1000);
constexpr std::int64_t NsPerMs = 1'000'000;
constexpr double NsPerDay = 86'400e9;

// Nanoseconds as days, for the countdowns' texts and the progress bar.
double Days(std::int64_t ns) {
    return static_cast<double>(ns) / NsPerDay;
}

// `start` + `ns`, held below the clock's end: a time that far away never comes.
std::int64_t Later(std::int64_t start, long double ns) {
    const long double due = static_cast<long double>(start) + ns;
    const auto last = static_cast<long double>(std::numeric_limits<std::int64_t>::max());
    return due >= last ? std::numeric_limits<std::int64_t>::max() : static_cast<std::int64_t>(due);
}

// A progress-bar position: nearest integer, ties to even, held to the bar's range.
int ProgressPosition(double percent) {
    if (!(percent > 0)) {
        return 0;
    }
    return percent >= 100 ? 100 : static_cast<int>(std::nearbyint(percent));
}

// How long to wait before looking again at something due in `ns`.
std::chrono::milliseconds WaitFor(std::int64_t ns) {
    if (ns <= 0) {
        return std::chrono::milliseconds(0);
    }
    const std::int64_t ms = ns / NsPerMs + (ns % NsPerMs > 0 ? 1 : 0);
    return ms >= MaxWaitingWait.count() ? MaxWaitingWait : std::chrono::milliseconds(ms);
}

} // namespace

RunControl::RunControl(AdLib32& card, CardMessagePoster& window, TFrmSDFdata& data,
                       RunSettings& settings, RunView& view, Dialogs& dialogs, const Clock& clock)
    : card_(card), window_(window), data_(data), settings_(settings), view_(view),
      dialogs_(dialogs), clock_(clock) {}

template <typename Step> void RunControl::Guarded(Step&& step) {
    const bool wasRunning = Running();
    if (wasRunning) {
        // The buffers, the card and the file are laid out for the channel count of Start,
        // whatever the channel-count list says meanwhile.
        data_.Record().ChNum = runChNum_;
    }
    // An error that escapes a step of a run ends it as failed, also when the step had ended
    // the run already (finishing the file after a stop or after the last burst).
    const auto fail = [&](const std::string& reason) {
        if (Running()) {
            FailedStop(reason);
        } else if (wasRunning) {
            outcome_ = {RunOutcome::End::Failed, reason};
        }
    };
    try {
        step();
    } catch (const std::exception& error) {
        fail(error.what());
        throw;
    } catch (...) {
        fail(texts::UnknownError);
        throw;
    }
}

bool RunControl::BtnAdStartClick(const ControlValues& controls) {
    if (Running()) {
        return false;
    }
    outcome_ = {};
    if (!FieldsFitToRun(controls)) {
        return false;
    }
    StartChecks checks(controls, dialogs_);
    if (!checks.BeforeOverwrite()) {
        return false;
    }
    std::error_code error;
    if (std::filesystem::exists(controls.FileName, error) &&
        !dialogs_.Ask(MessageKind::Warning, texts::OverwriteQuestion)) {
        return false;
    }
    if (!checks.FreeSpaceAllows()) {
        return false;
    }
    if (!GatherSettings(controls, data_, settings_, dialogs_, view_)) {
        return false;
    }
    fileType_ = controls.FileType == FileTypeTsd ? FileTypeTsd : FileTypeSdf;
    runChNum_ = data_.Record().ChNum;
    try {
        data_.Record().ComputeDerivedSizes();
    } catch (const RangeError&) {
        return false; // a block beyond 32 bits, refused as GatherSettings refuses sizes
    }
    if (!OpenDataFile()) {
        return false;
    }
    data_.Record().TargetFileName = settings_.FileName;
    writer_.Begin(data_.Record(), fileType_, durable_);
    state_.StopRequested = false;
    state_.BurstNumber = 0;
    view_.SetupCharts();
    view_.SetBtnAdStartEnabled(false);
    view_.SetBtnAdStopEnabled(true);
    view_.DisableMenus();
    if (settings_.WaitTime > 0) {
        waitStart_ = clock_.Monotonic();
        waitEnd_ = Later(waitStart_, static_cast<long double>(settings_.WaitTime) * 1e9L);
        phase_ = Phase::InitialWait;
        view_.SetEditPresentStatus(texts::WaitingToStart);
    } else {
        phase_ = Phase::Bursts;
        Guarded([&] { BeginBursts(); });
    }
    return Running();
}

void RunControl::BtnAdStopClick() {
    if (Running()) {
        Guarded([&] {
            writer_.Wait();
            if (const auto failure = writer_.Failed()) {
                StopOnWriteFailure(*failure);
                return;
            }
            outcome_ = {RunOutcome::End::Stopped, {}};
            FullStop(false);
        });
    }
}

void RunControl::WaitForWrites() {
    writer_.Wait();
    if (Running()) {
        Guarded([&] {
            if (const auto failure = writer_.Failed()) {
                StopOnWriteFailure(*failure);
            }
        });
    }
}

std::chrono::milliseconds RunControl::Pass() {
    if (inPass_) {
        return BurstPassWait;
    }
    if (!Running()) {
        return IdleWait;
    }
    inPass_ = true;
    std::chrono::milliseconds wait = BurstPassWait;
    try {
        Guarded([&] {
            if (const auto failure = writer_.Failed()) {
                StopOnWriteFailure(*failure);
            } else if (phase_ == Phase::InitialWait) {
                wait = WaitPass(clock_.Monotonic());
            } else if (state_.IrqModeActive) {
                wait = DrainWhileReady();
            } else {
                const std::int64_t now = clock_.Monotonic();
                if (now >= state_.NextBurstTime) {
                    StartBurst();
                } else {
                    ShowRemainingTime(now);
                    wait = WaitFor(state_.NextBurstTime - now);
                }
            }
        });
    } catch (...) {
        inPass_ = false;
        throw;
    }
    inPass_ = false;
    return wait;
}

void RunControl::AppWindowProc(std::int64_t code, std::int64_t param) {
    Guarded([&] {
        if (code == CardEventRunning) {
            view_.SetTextStatus(texts::CardConverting);
        } else if (code == CardEventOverflow) {
            view_.SetTextStatus(texts::CardRingBufferOverflow);
            if (Running()) {
                FailedStop(texts::CardRingBufferOverflow);
            }
        } else if (code == CardEventFinished) {
            view_.SetTextStatus(texts::CardFinished(param));
        } else {
            view_.SetTextStatus(texts::CardAbnormalEnd);
            card_.AdStopIrqMode();
            const bool converting = Running() && state_.IrqModeActive;
            state_.IrqModeActive = false;
            if (converting) {
                CompleteBurst(true);
            }
        }
    });
}

std::chrono::milliseconds RunControl::WaitPass(std::int64_t now) {
    if (now < waitEnd_) {
        view_.SetProgressBar1(ProgressPosition(static_cast<double>(now - waitStart_) * 100.0 /
                                               static_cast<double>(waitEnd_ - waitStart_)));
        view_.SetEditTime(texts::StartsIn(FormatSpan(Days(waitEnd_ - now))));
        return WaitFor(waitEnd_ - now);
    }
    phase_ = Phase::Bursts;
    BeginBursts();
    return std::chrono::milliseconds(0);
}

void RunControl::BeginBursts() {
    // The start is recorded on the wall clock; the schedule counts from it on the
    // monotonic one, which a change of the wall clock does not move.
    data_.Record().StartTime = clock_.Now();
    startNs_ = clock_.Monotonic();
    state_.NextBurstTime = startNs_;
    // The header written at Start carries the old start time; now the real one is known. The
    // writer's thread rewrites it while the first burst begins.
    writer_.SubmitHeader(data_.Record(), settings_.FileName);
}

void RunControl::StartBurst() {
    state_.ScansDone = 0;
    const int result = ConfigureCard(card_, window_, data_.Record(), settings_, state_);
    if (result == ConfigureOk) {
        ++state_.BurstNumber;
        state_.WordsRead = 0;
        view_.SetEditPresentStatus(texts::BurstMeasuring(state_.BurstNumber));
        view_.SetEditTime("");
        view_.SetBtnAdStartEnabled(false);
        view_.SetBtnAdStopEnabled(true);
        view_.SetupCharts();
        return;
    }
    std::string message = ConfigureErrorText(result);
    if (const std::string detail = card_.LastFailure(); !detail.empty()) {
        message += "\n" + detail;
    }
    dialogs_.ShowError(message);
    FailedStop(message);
}

void RunControl::ShowRemainingTime(std::int64_t now) {
    const MeasurementParameters& record = data_.Record();
    const double remaining = Days(state_.NextBurstTime - now);
    view_.SetEditTime(texts::TimeRemaining(FormatSpan(remaining)));
    const long double burst = record.SInterval * TimeUnitAt(record.SITUnit).Seconds *
                              (static_cast<long double>(record.DataNum) - 1) / SecondsPerDay;
    const double pause = static_cast<double>(settings_.BurstIntervalDays - burst);
    view_.SetProgressBar1(ProgressPosition((1.0 - remaining / pause) * 100.0));
}

std::chrono::milliseconds RunControl::DrainWhileReady() {
    const auto deadline = std::chrono::steady_clock::now() + drainSlice_;
    while (Running() && state_.IrqModeActive) {
        if (DrainRingBuffer() == 0) {
            return BurstPassWait;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            // Words were still flowing: come back at once, after the host's own events.
            return std::chrono::milliseconds(0);
        }
    }
    return std::chrono::milliseconds(0);
}

std::int32_t RunControl::DrainRingBuffer() {
    if (!state_.RingBufferAllocated) {
        return 0;
    }
    const MeasurementParameters& record = data_.Record();
    const std::int64_t total = std::int64_t{record.DataNum} * record.ChNum;
    const auto want = static_cast<std::int32_t>(std::min<std::int64_t>(
        std::int64_t{MaxScansPerFetch} * record.ChNum, total - state_.WordsRead));
    if (want <= 0) {
        CompleteBurst(false);
        return 0;
    }
    const std::int32_t r = card_.AdGetRingBuf(settings_.RawSamples, state_.WordsRead, want);
    if (r == -1) {
        view_.SetTextStatus(texts::ReadRingBufferOverflow);
        card_.AdStopIrqMode();
        state_.IrqModeActive = false;
        FailedStop(texts::ReadRingBufferOverflow, true);
        return 0;
    }
    if (r < 0 || r > want) {
        throw RangeError("The card library returned " + std::to_string(r) +
                         " words for a request of " + std::to_string(want));
    }
    if (r == 0) {
        return 0;
    }
    state_.WordsRead += r;
    // Scans are converted once all their words are in, so the conversion never lags behind.
    const std::int32_t scansReady = state_.WordsRead / record.ChNum;
    ConvertScans(state_.ScansDone, scansReady);
    state_.ScansDone = scansReady;
    view_.SetProgressBar1(ProgressPosition(state_.ScansDone * 100.0 / record.DataNum));
    view_.SetEditTime(record.DataNum > state_.ScansDone
                          ? texts::ScansRemaining(record.DataNum - state_.ScansDone)
                          : std::string(texts::BurstConverted));
    if (state_.WordsRead >= total) {
        CompleteBurst(false);
    }
    return r;
}

void RunControl::ConvertScans(std::int32_t from, std::int32_t to) {
    MeasurementParameters& record = data_.Record();
    const int channels = record.ChNum;
    for (std::int32_t i = from; i < to; ++i) {
        const std::uint16_t* raw = &settings_.RawSamples[static_cast<std::size_t>(i) * channels];
        for (int c = 0; c < channels; ++c) {
            const double v = card_.HexToVal(raw[c]) * 1000.0;
            // RoundHalfAway for a double: std::round rounds halves away from zero, exactly,
            // and costs a third of the long double arithmetic at millions of words a second.
            const double stored = std::round(v);
            if (!(stored >= std::numeric_limits<std::int16_t>::min() &&
                  stored <= std::numeric_limits<std::int16_t>::max())) {
                throw RangeError("Converted value " + std::to_string(v) +
                                 " is out of the 16-bit range");
            }
            record.Samples[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] =
                static_cast<std::int16_t>(stored);
        }
    }
    view_.ShowConvertedScans(to);
}

void RunControl::CompleteBurst(bool interrupted) {
    MeasurementParameters& record = data_.Record();
    if (interrupted) {
        for (int c = 0; c < record.ChNum; ++c) {
            auto& samples = record.Samples[static_cast<std::size_t>(c)];
            std::fill(samples.begin() + state_.ScansDone, samples.end(), ErrorValue);
        }
    }
    state_.IrqModeActive = false;
    writer_.SubmitBlock(record, state_.BurstNumber - 1);
    const bool last = state_.BurstNumber == record.Iteration;
    const std::optional<Limit> limit = last ? std::nullopt : RunLimit();
    if (last || limit) {
        // The run ends with this block: it counts only once it is written.
        writer_.Wait();
        if (const auto failure = writer_.Failed()) {
            StopOnWriteFailure(*failure);
            return;
        }
    }
    if (limit) {
        outcome_ = {RunOutcome::End::LimitReached, limit->Reason};
        FullStop(false);
        view_.SetEditPresentStatus(limit->Status);
        return;
    }
    if (last) {
        state_.StopRequested = true;
        view_.SetBtnAdStopEnabled(false);
        view_.SetEditPresentStatus(texts::RunCompleted);
        view_.SetEditTime("");
        view_.SetBtnAdStartEnabled(true);
        view_.EnableMenus();
        view_.SetProgressBar1(0);
        phase_ = Phase::Idle;
        writer_.End();
        lock_.Release();
        outcome_ = {RunOutcome::End::Completed, {}};
        card_.RunEnded();
        return;
    }
    state_.NextBurstTime =
        Later(startNs_, static_cast<long double>(state_.BurstNumber) * settings_.BurstIntervalMs *
                            static_cast<long double>(NsPerMs));
    view_.SetEditPresentStatus(texts::BurstWaiting(state_.BurstNumber + 1));
}

std::optional<RunControl::Limit> RunControl::RunLimit() const {
    const MeasurementParameters& record = data_.Record();
    if (record.Iteration > 0) {
        return std::nullopt;
    }
    if (state_.BurstNumber >= MaxStatedBursts) {
        return Limit{texts::RunEndedAtBurstLimit, texts::BurstLimitReached(state_.BurstNumber)};
    }
    if (fileType_ == FileTypeSdf &&
        SdfWriter::BlockOffset(record, state_.BurstNumber) > SdfWriter::MaxBlockOffset) {
        return Limit{texts::RunEndedAtFileLimit, texts::FileLimitReached(state_.BurstNumber)};
    }
    return std::nullopt;
}

void RunControl::StopInterruptMode() {
    if (state_.IrqModeActive) {
        card_.AdStopIrqMode();
        state_.IrqModeActive = false;
        view_.SetTextStatus(texts::CardStopped);
    }
}

void RunControl::FailedStop(const std::string& reason, bool burstInterrupted) {
    outcome_ = {RunOutcome::End::Failed, reason};
    FullStop(burstInterrupted);
}

void RunControl::StopOnWriteFailure(const RecordingWriter::Failure& failure) {
    const std::string reason = PosixFile::ReasonOf(failure.Error);
    std::string message =
        failure.Block < 0 ? texts::CannotWrite(settings_.FileName, reason)
                          : texts::BlockWriteFailed(settings_.FileName, failure.Block + 1, reason);
    outcome_ = {RunOutcome::End::Failed, message};
    try {
        FullStop(false);
    } catch (const std::exception& error) {
        message += "\n" + std::string(error.what());
        outcome_.Reason = message;
    }
    view_.SetEditPresentStatus(texts::RunStoppedOnWriteError);
    dialogs_.ShowError(message);
}

void RunControl::FullStop(bool burstInterrupted) {
    state_.StopRequested = true;
    phase_ = Phase::Idle;
    view_.SetBtnAdStopEnabled(false);
    view_.SetEditPresentStatus(texts::RunStopped);
    view_.SetEditTime("");
    std::exception_ptr error;
    writer_.Wait();
    // After a failed write the file keeps the blocks written before it, and nothing more.
    const bool failed = writer_.Failed().has_value();
    StoppedRun run;
    run.IrqModeActive = !failed && (burstInterrupted || state_.IrqModeActive);
    run.ScansDone = state_.ScansDone;
    run.BurstNumber = failed ? writer_.Written() : state_.BurstNumber;
    run.FileType = fileType_;
    run.FileName = settings_.FileName;
    if (run.IrqModeActive || run.BurstNumber > 0) {
        try {
            data_.FinishStoppedRecording(run);
        } catch (...) {
            error = std::current_exception();
        }
    }
    writer_.End();
    lock_.Release();
    StopInterruptMode();
    card_.RunEnded();
    view_.SetBtnAdStartEnabled(true);
    view_.EnableMenus();
    view_.SetProgressBar1(0);
    if (error) {
        std::rethrow_exception(error);
    }
}

bool RunControl::OpenDataFile() {
    const std::string& path = settings_.FileName;
    std::error_code exists;
    const bool existed = std::filesystem::exists(path, exists);
    std::string why;
    switch (lock_.Acquire(path, why)) {
    case RecordingLock::Result::Taken:
        break;
    case RecordingLock::Result::HeldByAnother:
        dialogs_.ShowError(texts::BeingRecorded(path));
        return false;
    case RecordingLock::Result::Failed:
        dialogs_.ShowError(texts::CannotWrite(path, why));
        return false;
    }
    // The new recording starts from an empty file, so that no byte of an earlier recording of
    // that name can be read, exported or repaired as part of it.
    data_.SetDurableWrites(durable_);
    int failure = 0;
    if (::ftruncate(lock_.Descriptor(), 0) != 0) {
        failure = errno;
    } else if (!WriteHeader()) {
        failure = data_.LastWriteError();
    } else if (!existed && durable_) {
        // The new file's name must survive a power loss as its header does.
        PosixFile::SyncFolder(path, failure);
    }
    if (failure == 0) {
        return true;
    }
    lock_.Release();
    if (!existed) {
        ::unlink(path.c_str());
    }
    dialogs_.ShowError(texts::CannotWrite(path, PosixFile::ReasonOf(failure)));
    return false;
}

bool RunControl::FieldsFitToRun(const ControlValues& controls) {
    const std::optional<FieldRefusal> refusal = CheckFieldsAtStart(controls, card_);
    if (!refusal) {
        return true;
    }
    // The field first, so that it stands in front behind the message.
    view_.FocusField(refusal->Field, refusal->Channel);
    dialogs_.ShowError(refusal->Message);
    return false;
}

bool RunControl::WriteHeader() {
    return fileType_ == FileTypeTsd ? data_.WriteTsdHeader(settings_.FileName)
                                    : data_.WriteSdfHeader(settings_.FileName);
}

} // namespace tessary
