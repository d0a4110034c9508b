// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Recordings for the viewer's benchmarks, written by the program's own writers: 4 channels,
// each a slow sine with noise, one missing sample a burst.
#include "data/Dialogs.h"
#include "data/TFrmSDFdata.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace tessary::bench {

inline constexpr int Channels = 4;

class SilentDialogs final : public Dialogs {
public:
    MessageAnswer Show(MessageKind, const std::string& text, MessageButtons) override {
        std::fprintf(stderr, "box: %s\n", text.c_str());
        return MessageAnswer::No;
    }
};

inline MeasurementParameters Header(std::int32_t scans, std::int16_t bursts) {
    MeasurementParameters r;
    r.Memo = "viewer benchmark";
    r.ChNum = Channels;
    r.DataNum = scans;
    r.SInterval = 1;
    r.SITUnit = UnitUsec;
    r.Iteration = bursts;
    r.BInterval = 1;
    r.BITUnit = UnitSec;
    r.StartTime = 46000.5;
    for (int c = 0; c < Channels; ++c) {
        r.Channel(c) = {"Ch." + std::to_string(c + 1), "mV", 0.5f, 1.0f};
    }
    return r;
}

// Fills a burst's samples: a slow sine per channel with noise and, now and then, a missing one.
inline void FillBurst(MeasurementParameters& r, int k, std::mt19937& random) {
    std::uniform_int_distribution<int> noise(-40, 40);
    for (int c = 0; c < Channels; ++c) {
        auto& samples = r.Samples[static_cast<std::size_t>(c)];
        for (std::size_t i = 0; i < samples.size(); ++i) {
            samples[i] = static_cast<std::int16_t>(
                2000 * std::sin(static_cast<double>(i) * 1e-4 * (c + 1) + k) + noise(random));
        }
        samples[static_cast<std::size_t>(k * 7919 + c) % samples.size()] = ErrorValue;
    }
}

// Writes the recording in a child process, so that its buffers never count in this one's peak.
inline void WriteInChild(const std::string& path, bool tsd, std::int32_t scans,
                         std::int16_t bursts) {
    const pid_t pid = fork();
    if (pid == 0) {
        SilentDialogs dialogs;
        TFrmSDFdata holder(dialogs);
        holder.Record() = Header(scans, bursts);
        MeasurementParameters& r = holder.Record();
        r.AllocateSampleBuffers();
        r.TargetFileName = path;
        std::mt19937 random(5);
        bool ok = tsd ? holder.WriteTsdHeader(path) : holder.WriteSdfHeader(path);
        for (int k = 0; ok && k < bursts; ++k) {
            FillBurst(r, k, random);
            ok = tsd ? holder.WriteTsdBlock(k) : holder.WriteSdfBlock(k);
        }
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "writing %s failed\n", path.c_str());
        std::exit(1);
    }
}

} // namespace tessary::bench
