// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliFixture.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace clitest {

void CliFixture::SetUp() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tessary-cli-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
}

void CliFixture::TearDown() {
    std::error_code error;
    std::filesystem::remove_all(folder_, error);
}

void CliFixture::Write(std::string_view name, std::string_view bytes) const {
    std::ofstream out(Path(name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good());
}

std::string CliFixture::Read(std::string_view name) const {
    std::ifstream in(Path(name), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool CliFixture::Exists(std::string_view name) const {
    return std::filesystem::exists(Path(name));
}

bool CliFixture::HasConversionLeftovers() const {
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with('.') && name.ends_with(".tmp")) {
            return true;
        }
    }
    return false;
}

void CliFixture::WriteApm(std::string_view name, const Apm& apm) const {
    std::string text = "[Parameters]\r\n";
    text += "Wait Time=" + apm.WaitTime + "\r\n";
    text += "Iteration=" + apm.Iteration + "\r\n";
    text += "BurstInterval=" + apm.BurstInterval + "\r\n";
    text += "Burst Time Unit=" + std::to_string(apm.BurstUnit) + "\r\n";
    text += "Sampling Interval=" + apm.SInterval + "\r\n";
    text += "Sampling Time Unit=" + std::to_string(apm.SamplingUnit) + "\r\n";
    text += "Number Of Data=" + apm.DataNum + "\r\n";
    text += "Number of Channels=" + std::to_string(apm.Channels - 1) + "\r\n";
    text += "Memo=ramp\r\n";
    text += "File Type=" + std::to_string(apm.FileType) + "\r\n";
    for (int k = 1; k <= apm.Channels; ++k) {
        text += "[Ch" + std::to_string(k) + "]\r\nItem=In" + std::to_string(k) +
                "\r\nScale=mV\r\nCoef A=1\r\nCoef B=0\r\n";
    }
    text += "[File]\r\nSave Name=" + apm.SaveName + "\r\n";
    Write(name, text);
}

void CliFixture::WriteRampCard(std::string_view name, std::string_view card) const {
    std::string text = "[Card]\n" + std::string(card) + "\n";
    for (int k = 1; k <= 8; ++k) {
        text += "[Ch" + std::to_string(k) + "]\nSignal=ramp\n";
    }
    Write(name, text);
}

std::int16_t RampSample(std::int32_t scan, int channel) {
    const int word = (scan + 512 * channel) % 4096;
    const double volts = (word - 2048) * 10.0 / 2048.0;
    return static_cast<std::int16_t>(std::llround(volts * 1000.0));
}

std::int16_t Int16At(const std::string& bytes, std::size_t offset) {
    const auto lo = static_cast<unsigned char>(bytes.at(offset));
    const auto hi = static_cast<unsigned char>(bytes.at(offset + 1));
    return static_cast<std::int16_t>(lo | (hi << 8));
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

} // namespace clitest
