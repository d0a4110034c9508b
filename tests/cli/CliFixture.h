// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <vector>

// A fresh folder per test, with helpers for the files the tests make and inspect.
namespace clitest {

class CliFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string Path(std::string_view name) const { return folder_ + "/" + std::string(name); }
    void Write(std::string_view name, std::string_view bytes) const;
    std::string Read(std::string_view name) const;
    bool Exists(std::string_view name) const;
    // Temporary files of a conversion (".NAME.<random>.tmp") left in the folder.
    bool HasConversionLeftovers() const;

    // An APM file of the window's layout; `extra` lines go into [Parameters].
    struct Apm {
        std::string WaitTime = "0";
        std::string Iteration = "3";
        std::string BurstInterval = "0";
        int BurstUnit = 0; // sec
        std::string SInterval = "1";
        int SamplingUnit = 1; // msec
        std::string DataNum = "50";
        int Channels = 2;
        int FileType = 0;
        std::string SaveName;
    };
    void WriteApm(std::string_view name, const Apm& apm) const;
    // Ramp on every input of the simulated card; `card` lines are added to [Card].
    void WriteRampCard(std::string_view name, std::string_view card = "") const;

    std::string folder_;
};

// Value of channel c at scan i of a burst recorded from the ramp card, in mV as stored.
std::int16_t RampSample(std::int32_t scan, int channel);

// 16-bit little-endian value at byte `offset`.
std::int16_t Int16At(const std::string& bytes, std::size_t offset);

// The lines of a text with CR LF ends.
std::vector<std::string> Lines(const std::string& text);

} // namespace clitest
