// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/sigrok/SigrokBurst.h"

#include "acquisition/sigrok/ReadingWords.h"
#include "acquisition/sigrok/ScanAssembler.h"
#include "acquisition/sigrok/SigrokDevice.h"

#include <libsigrok/libsigrok.h>

#include <algorithm>
#include <limits>
#include <optional>

namespace tessary {

struct SigrokBurst::SessionState {
    GMainContext* context = nullptr;
    std::optional<ScanAssembler> assembler; // Hardware
    std::vector<float> floats;
    std::vector<std::uint16_t> words;
    std::vector<std::uint16_t> latest; // Software: the latest word of each burst channel
    std::vector<bool> hasReading;
    std::vector<bool> unitKnown;
    bool timing = false; // Software: scan 0 has been taken
    std::int64_t firstScanNs = 0;
    std::int64_t emitted = 0;
    GSource* tick = nullptr;
    bool stopScheduled = false;
};

SigrokBurst::SigrokBurst(SigrokDevice& device, Request request)
    : device_(device), request_(std::move(request)), session_(std::make_unique<SessionState>()) {
    const std::size_t channels = request_.Inputs.size();
    for (const int input : request_.Inputs) {
        columns_.push_back(device_.Analog()[static_cast<std::size_t>(input)]);
    }
    request_.Dividers.resize(channels, 1.0);
    units_.resize(channels);
    session_->latest.assign(channels, MissingWord);
    session_->hasReading.assign(channels, false);
    session_->unitKnown.assign(channels, false);
    if (request_.Mode == Kind::Hardware) {
        session_->assembler.emplace(*request_.Ring, static_cast<int>(channels), request_.Scans);
    }
}

SigrokBurst::~SigrokBurst() {
    Stop();
    Join();
}

bool SigrokBurst::Start() {
    thread_ = std::thread([this] { Run(); });
    std::unique_lock lock(startMutex_);
    startDone_.wait(lock, [this] { return started_; });
    const bool running = startResult_ == SR_OK;
    lock.unlock();
    if (!running) {
        Join();
    }
    return running;
}

void SigrokBurst::Stop() {
    stopRequested_.store(true);
    // Safe from any thread; does nothing while the session does not run. A session that
    // starts later sees stopRequested_ instead.
    sr_session_stop(device_.Session());
}

void SigrokBurst::Join() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::vector<std::string> SigrokBurst::Units() const {
    const std::lock_guard lock(unitsMutex_);
    return units_;
}

void SigrokBurst::Run() {
    SessionState& state = *session_;
    state.context = g_main_context_new();
    g_main_context_push_thread_default(state.context);
    sr_session* session = device_.Session();
    sr_session_datafeed_callback_remove_all(session);
    sr_session_datafeed_callback_add(session, &SigrokBurst::Feed, this);
    const int result = sr_session_start(session);
    {
        const std::lock_guard lock(startMutex_);
        startResult_ = result;
        started_ = true;
    }
    startDone_.notify_all();
    if (result == SR_OK) {
        if (stopRequested_.load()) {
            sr_session_stop(session);
        }
        sr_session_run(session);
    }
    if (state.tick != nullptr) {
        g_source_destroy(state.tick);
        g_source_unref(state.tick);
        state.tick = nullptr;
    }
    sr_session_datafeed_callback_remove_all(session);
    g_main_context_pop_thread_default(state.context);
    g_main_context_unref(state.context);
    ended_.store(true, std::memory_order_release);
}

void SigrokBurst::Feed(const sr_dev_inst*, const sr_datafeed_packet* packet, void* self) {
    if (packet != nullptr && packet->type == SR_DF_ANALOG && packet->payload != nullptr) {
        static_cast<SigrokBurst*>(self)->TakeAnalog(packet->payload);
    }
}

int SigrokBurst::ColumnOf(const void* channel) const {
    const auto at = std::find(columns_.begin(), columns_.end(), channel);
    return at == columns_.end() ? -1 : static_cast<int>(at - columns_.begin());
}

void SigrokBurst::TakeAnalog(const void* payload) {
    SessionState& state = *session_;
    const auto* analog = static_cast<const sr_datafeed_analog*>(payload);
    if (analog->meaning == nullptr || analog->encoding == nullptr || analog->data == nullptr) {
        return;
    }
    const std::size_t channels = g_slist_length(analog->meaning->channels);
    const std::size_t samples = analog->num_samples;
    if (channels == 0 || samples == 0) {
        return;
    }
    // Values the library cannot convert stay not-a-number and are stored as missing.
    state.floats.assign(samples * channels, std::numeric_limits<float>::quiet_NaN());
    sr_analog_to_float(analog, state.floats.data());
    std::size_t k = 0;
    for (GSList* node = analog->meaning->channels; node != nullptr; node = node->next, ++k) {
        const int column = ColumnOf(node->data);
        if (column < 0) {
            continue;
        }
        const auto c = static_cast<std::size_t>(column);
        if (!state.unitKnown[c]) {
            char* unit = nullptr;
            if (sr_analog_unit_to_string(analog, &unit) == SR_OK && unit != nullptr) {
                const std::lock_guard lock(unitsMutex_);
                units_[c] = unit;
            }
            g_free(unit);
            state.unitKnown[c] = true;
        }
        const double divider = request_.Dividers[c];
        if (request_.Mode == Kind::Hardware) {
            state.words.resize(samples);
            for (std::size_t i = 0; i < samples; ++i) {
                state.words[i] = ReadingToWord(state.floats[i * channels + k], divider);
            }
            if (!state.assembler->Add(column, state.words)) {
                overflowed_.store(true, std::memory_order_release);
                StopSoon();
            } else if (state.assembler->Complete()) {
                StopSoon();
            }
        } else if (request_.Mode == Kind::Software) {
            state.latest[c] = ReadingToWord(state.floats[(samples - 1) * channels + k], divider);
            state.hasReading[c] = true;
        }
    }
    if (request_.Mode == Kind::Software && !state.timing &&
        std::all_of(state.hasReading.begin(), state.hasReading.end(), [](bool b) { return b; })) {
        state.timing = true;
        state.firstScanNs = request_.Now();
        EmitDueScans();
    }
    if (request_.Mode == Kind::Probe &&
        std::all_of(state.unitKnown.begin(), state.unitKnown.end(), [](bool b) { return b; })) {
        StopSoon();
    }
}

void SigrokBurst::EmitDueScans() {
    SessionState& state = *session_;
    const std::int64_t now = request_.Now();
    while (state.emitted < request_.Scans &&
           state.firstScanNs + state.emitted * request_.IntervalNs <= now) {
        if (!request_.Ring->Push(state.latest)) {
            overflowed_.store(true, std::memory_order_release);
            StopSoon();
            return;
        }
        ++state.emitted;
    }
    if (state.emitted == request_.Scans) {
        StopSoon();
        return;
    }
    ArmTick();
}

void SigrokBurst::ArmTick() {
    SessionState& state = *session_;
    const std::int64_t due = state.firstScanNs + state.emitted * request_.IntervalNs;
    const std::int64_t waitNs = std::max<std::int64_t>(due - request_.Now(), 0);
    state.tick = g_timeout_source_new(static_cast<guint>((waitNs + 999'999) / 1'000'000));
    g_source_set_callback(state.tick, &SigrokBurst::OnTick, this, nullptr);
    g_source_attach(state.tick, state.context);
}

int SigrokBurst::OnTick(void* self) {
    auto* burst = static_cast<SigrokBurst*>(self);
    g_source_unref(burst->session_->tick); // ends with this call; the next one is armed anew
    burst->session_->tick = nullptr;
    burst->EmitDueScans();
    return G_SOURCE_REMOVE;
}

void SigrokBurst::StopSoon() {
    SessionState& state = *session_;
    if (state.stopScheduled) {
        return;
    }
    state.stopScheduled = true;
    // Not from inside the driver's own callback: the stop runs once it has returned.
    GSource* idle = g_idle_source_new();
    g_source_set_callback(idle, &SigrokBurst::OnStopSoon, this, nullptr);
    g_source_attach(idle, state.context);
    g_source_unref(idle);
}

int SigrokBurst::OnStopSoon(void* self) {
    sr_session_stop(static_cast<SigrokBurst*>(self)->device_.Session());
    return G_SOURCE_REMOVE;
}

} // namespace tessary
