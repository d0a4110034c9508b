// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/AdLib32.h"
#include "acquisition/ControlValues.h"
#include "acquisition/RunOutcome.h"
#include "acquisition/RunSettings.h"
#include "acquisition/RunState.h"
#include "acquisition/RunView.h"
#include "data/Clock.h"
#include "data/Dialogs.h"
#include "data/RecordingLock.h"
#include "data/RecordingWriter.h"
#include "data/TFrmSDFdata.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace tessary {

// Runs a measurement as a state machine: BtnAdStartClick begins a run, and the host then
// calls Pass() until Running() turns false, waiting between passes as long as Pass() says.
// Each pass does one step of the run (the countdown before the first burst, StartBurst,
// draining, or the countdown to the next burst) and never blocks; Stop and the card's
// messages are handled between passes. While a burst runs, one pass drains the ring buffer
// repeatedly for as long as words are ready, up to a time slice of a few milliseconds.
//
// The run holds the data file's RecordingLock from Start to its end, and starts from an empty
// file. Blocks are written on a writer thread (RecordingWriter), each forced to the disk
// unless durable writes are turned off; the first block or header that cannot be written ends
// the run with the full stop, the file finished to state the blocks written, the error box
// naming the file, the burst and the system's reason. A run without a burst count ends when
// its header could not state one more burst (32 767) or its next SDF block would start past
// the 2 GB offset limit.
//
// The schedule (the initial wait, burst n + 1 at the first burst's start + n burst
// intervals, the countdowns) runs on the clock's monotonic time, so that a change of the
// wall clock neither hurries nor stalls it, and a machine that was suspended resumes on
// schedule, the bursts that fell due meanwhile following at once. StartTime is wall time.
//
// Errors that the run does not handle itself (a range error from the card's parameters or
// from a conversion, an input/output error while finishing a file) end the run with the
// full stop and then leave Pass() or BtnAdStopClick() as exceptions, for the host's general
// error report. Outcome() says how the last run ended.
class RunControl {
public:
    RunControl(AdLib32& card, CardMessagePoster& window, TFrmSDFdata& data, RunSettings& settings,
               RunView& view, Dialogs& dialogs, const Clock& clock);

    // The start button: the check of every field (CheckFieldsAtStart; a refusal is shown and
    // its field focused), the checks of StartChecks, the overwrite question, GatherSettings,
    // the lock, the header of the emptied file. True when a run began. Does nothing while a
    // run is going on.
    bool BtnAdStartClick(const ControlValues& controls);

    // The stop button: finishes the recording and puts the window back to idle. Does nothing
    // while no run is going on.
    void BtnAdStopClick();

    // One pass of the run. Returns how long the host may wait before the next pass: about
    // 1 ms while a burst runs, 0 when words were still flowing at the end of the slice, up
    // to 20 ms while waiting; 1 s while idle. A pass called from inside another (a modal
    // box's event loop) returns at once.
    std::chrono::milliseconds Pass();

    // The card's message (CardMessage) with its code and parameter.
    void AppWindowProc(std::int64_t code, std::int64_t param);

    bool Running() const { return phase_ != Phase::Idle; }
    const RunState& State() const { return state_; }
    // How the last run ended; End::None while it runs.
    const RunOutcome& Outcome() const { return outcome_; }

    // How long one pass may keep draining while words are ready.
    void SetDrainSlice(std::chrono::microseconds slice) { drainSlice_ = slice; }

    // Whether the next run forces each write to the disk (on unless turned off).
    void SetDurableWrites(bool durable) { durable_ = durable; }

    // Waits until the blocks handed to the writer thread are written, and ends the run when
    // one failed; for hosts and tests that need the file as it stands now.
    void WaitForWrites();

private:
    enum class Phase { Idle, InitialWait, Bursts };

    // Runs one step; an error that escapes it ends a running run with the full stop first.
    template <typename Step> void Guarded(Step&& step);
    std::chrono::milliseconds WaitPass(std::int64_t now);
    void BeginBursts();
    void StartBurst();
    void ShowRemainingTime(std::int64_t now);
    // Drains while words are ready, up to the time slice.
    std::chrono::milliseconds DrainWhileReady();
    // One fetch and conversion; the number of words fetched.
    std::int32_t DrainRingBuffer();
    void ConvertScans(std::int32_t from, std::int32_t to);
    // Ends the current burst: the next one is scheduled or the run finishes, and the burst
    // is written. An interrupted burst has its unconverted scans marked missing.
    void CompleteBurst(bool interrupted);
    void StopInterruptMode();
    // The stop of the stop button; `burstInterrupted` writes the current burst as
    // interrupted even when the card's interrupt mode was already stopped.
    void FullStop(bool burstInterrupted);
    // The full stop of a run that cannot go on, with the reason as its outcome.
    void FailedStop(const std::string& reason, bool burstInterrupted = false);
    // The full stop after the writer thread failed: the file keeps the blocks written.
    void StopOnWriteFailure(const RecordingWriter::Failure& failure);
    // A run without a burst count that can record no further burst: its state text and the
    // reason; nothing while it can.
    struct Limit {
        const char* Status;
        std::string Reason;
    };
    std::optional<Limit> RunLimit() const;
    // Locks and empties the data file and writes its header; false after showing why not.
    bool OpenDataFile();
    // False, with the refusal shown and its field focused, when a field is not fit to run.
    bool FieldsFitToRun(const ControlValues& controls);
    bool WriteHeader();

    AdLib32& card_;
    CardMessagePoster& window_;
    TFrmSDFdata& data_;
    RunSettings& settings_;
    RunView& view_;
    Dialogs& dialogs_;
    const Clock& clock_;

    RunState state_;
    RunOutcome outcome_;
    RecordingLock lock_;
    RecordingWriter writer_;
    bool durable_ = true;
    Phase phase_ = Phase::Idle;
    int fileType_ = FileTypeSdf; // taken at Start: the whole run writes one format
    std::int16_t runChNum_ = 0;  // the channel count the run was set up for
    // Monotonic nanoseconds: the initial wait's start and end, and the first burst's start,
    // from which burst n + 1 is due n burst intervals later.
    std::int64_t waitStart_ = 0;
    std::int64_t waitEnd_ = 0;
    std::int64_t startNs_ = 0;
    bool inPass_ = false;
    std::chrono::microseconds drainSlice_{4000};
};

} // namespace tessary
