// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Test doubles of the acquisition tests: a clock stepped by hand, message boxes answered
// from a script, a view that records what run control shows, a card library that delivers
// scripted words, and a scratch folder.
#include "acquisition/AdLib32.h"
#include "acquisition/RunView.h"
#include "data/Clock.h"
#include "data/Dialogs.h"
#include "tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tessary::testing {

inline constexpr double Second = 1.0 / 86400.0;

// Time passes on both clocks with Advance; the wall clock alone jumps with JumpWall, as
// a daylight-saving change or a clock set by hand makes it.
class FakeClock final : public Clock {
public:
    double Now() const override { return now; }
    std::int64_t Monotonic() const override { return monotonic; }
    void Advance(double seconds) {
        now += seconds * Second;
        monotonic += static_cast<std::int64_t>(std::llround(seconds * 1e9));
    }
    void JumpWall(double seconds) { now += seconds * Second; }
    double now = 46000.5;
    std::int64_t monotonic = 1'000'000'000'000;
};

struct ShownBox {
    MessageKind Kind;
    std::string Text;
};

class ScriptedDialogs final : public Dialogs {
public:
    MessageAnswer Show(MessageKind kind, const std::string& text, MessageButtons buttons) override {
        shown.push_back({kind, text});
        if (duringBox) {
            duringBox(); // what a modal box's event loop may run meanwhile
        }
        if (buttons == MessageButtons::Ok) {
            return MessageAnswer::Ok;
        }
        return answerYes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    bool answerYes = true;
    std::function<void()> duringBox;
    std::vector<ShownBox> shown;
};

// Keeps the last value of every field and every text in order.
class RecordingView final : public RunView {
public:
    void SetEditPresentStatus(const std::string& text) override {
        presentStatus = text;
        presentHistory.push_back(text);
    }
    void SetEditTime(const std::string& text) override {
        timeText = text;
        timeHistory.push_back(text);
    }
    void SetTextStatus(const std::string& text) override { textStatus = text; }
    void SetProgressBar1(int position) override {
        progress = position;
        progressHistory.push_back(position);
    }
    void SetBtnAdStartEnabled(bool enabled) override { startEnabled = enabled; }
    void SetBtnAdStopEnabled(bool enabled) override { stopEnabled = enabled; }
    void DisableMenus() override { menusEnabled = false; }
    void EnableMenus() override { menusEnabled = true; }
    void SetupCharts() override {
        ++setupCharts;
        convertedScans.clear();
    }
    void ShowConvertedScans(std::int32_t scans) override { convertedScans.push_back(scans); }
    void Panel2Resize() override { ++panelResizes; }
    void FocusField(SettingField field, int channel) override {
        focused = field;
        focusedChannel = channel;
    }

    std::string presentStatus = "未変換";
    std::string timeText;
    std::string textStatus = "停止";
    int progress = 0;
    bool startEnabled = true;
    bool stopEnabled = false;
    bool menusEnabled = true;
    int setupCharts = 0;
    int panelResizes = 0;
    std::optional<SettingField> focused;
    int focusedChannel = -1;
    std::vector<std::string> presentHistory;
    std::vector<std::string> timeHistory;
    std::vector<int> progressHistory;
    std::vector<std::int32_t> convertedScans; // of the current burst, in order
};

// A card library whose calls answer as told. Words are delivered from `words` (the burst's
// raw words in scan order, repeated for every burst); `ready` says how many words the card
// has produced so far in the current burst, and `chunk` caps one AdGetRingBuf answer.
class ScriptedCard final : public AdLib32 {
public:
    std::int32_t AdGetCardResource(std::int32_t, std::int32_t tryNumber, std::int32_t& kind,
                                   std::int32_t& ioBase, std::int32_t& irq) override {
        tries.push_back(tryNumber);
        if (tryNumber != answeringTry) {
            return 1;
        }
        kind = 2;
        ioBase = 0x300;
        irq = 5;
        return 0;
    }
    std::int32_t InputChannels() const override { return inputChannels; }
    bool AcceptsSamplingInterval(std::uint16_t interval, std::uint16_t,
                                 std::string& accepts) const override {
        accepts = std::to_string(shortestInterval) + " or more";
        return interval >= shortestInterval;
    }
    std::int32_t AdSetParamAuto(CardMessagePoster& window, std::int32_t) override {
        calls.push_back("SetParamAuto");
        poster = &window;
        return failStep == 1 ? 1 : 0;
    }
    std::int32_t AdSetChannel(std::int16_t chNum, const std::array<std::int16_t, 8>&) override {
        calls.push_back("SetChannel");
        return failStep == 2 ? chNum + 1 : chNum;
    }
    std::int32_t AdSetFreq(CardMessagePoster&, std::uint16_t, std::uint16_t) override {
        calls.push_back("SetFreq");
        return failStep == 3 ? 1 : 0;
    }
    void AdFreeRingBuf() override { calls.push_back("FreeRingBuf"); }
    void AdStopIrqMode() override { calls.push_back("StopIrqMode"); }
    std::int32_t AdAllocRingBuf(CardMessagePoster&, std::int32_t words, std::int32_t) override {
        calls.push_back("AllocRingBuf");
        ringWords = words;
        return failStep == 4 ? 1 : 0;
    }
    std::int32_t AdStartIrqRingMode(CardMessagePoster&, std::int32_t) override {
        calls.push_back("StartIrqRingMode");
        if (failStep == 5) {
            return 1;
        }
        delivered = 0;
        ++bursts;
        return 0;
    }
    std::int32_t AdGetRingBuf(std::span<std::uint16_t> destination, std::int32_t position,
                              std::int32_t count) override {
        requests.push_back(count);
        if (overflowNow) {
            return -1;
        }
        if (position != delivered) {
            ADD_FAILURE_AT(__FILE__, __LINE__);
        }
        std::int64_t n = std::min<std::int64_t>({count, ready - delivered, chunk});
        n = std::max<std::int64_t>(n, 0);
        for (std::int64_t k = 0; k < n; ++k) {
            destination[static_cast<std::size_t>(position + k)] =
                words[static_cast<std::size_t>(delivered + k) % words.size()];
        }
        delivered += n;
        return static_cast<std::int32_t>(n);
    }
    double HexToVal(std::uint16_t word) override { return hexToVal(word); }
    std::string LastFailure() const override { return lastFailure; }
    void RunEnded() override { ++runsEnded; }

    int answeringTry = 0;
    int failStep = 0;
    bool overflowNow = false;
    std::vector<std::uint16_t> words = {2048};
    std::int64_t ready = 0;
    std::int64_t chunk = 1 << 30;
    std::int64_t delivered = 0;
    std::int32_t ringWords = 0;
    std::int32_t inputChannels = 8;
    std::uint16_t shortestInterval = 1;
    int bursts = 0;
    int runsEnded = 0;
    std::string lastFailure;
    std::function<double(std::uint16_t)> hexToVal = [](std::uint16_t w) {
        return (w - 2048) * 10.0 / 2048.0;
    };
    CardMessagePoster* poster = nullptr;
    std::vector<int> tries;
    std::vector<std::string> calls;
    std::vector<std::int32_t> requests;
};

inline std::int16_t Int16At(const std::string& bytes, std::size_t offset) {
    return static_cast<std::int16_t>(static_cast<unsigned char>(bytes.at(offset)) |
                                     static_cast<unsigned char>(bytes.at(offset + 1)) << 8);
}

} // namespace tessary::testing
