// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of the settings file: all keys of a four-channel set-up written with one write
// against one write per key (each a full read, rewrite and flush, as the platform functions
// do), reading them back, and reading a hostile file of the largest size that is read.
#include "app/ParameterFile.h"
#include "settings/ProfileFile.h"
#include "settings/ProfileStrings.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

class NoBoxes : public tessary::Dialogs {
public:
    tessary::MessageAnswer Show(tessary::MessageKind, const std::string&,
                                tessary::MessageButtons) override {
        return tessary::MessageAnswer::Ok;
    }
};

template <typename F> double MedianMs(int runs, F&& run) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

tessary::ControlValues FourChannels() {
    tessary::ControlValues values;
    values.ChNum = "4";
    for (int k = 2; k <= 4; ++k) {
        const std::string n = std::to_string(k);
        values.ChannelGrid.push_back({n, "Ch." + n, "mV", "1", "0"});
    }
    values.Memo = "計測\r\nメモ";
    values.FileName = "/data/ADdata.sdf";
    return values;
}

} // namespace

int main() {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "tessary-bench-parameter-file";
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "settings.ini").string();
    const tessary::ControlValues values = FourChannels();
    tessary::WriteParameterFile(path, values);

    const double oneWrite = MedianMs(21, [&] { tessary::WriteParameterFile(path, values); });

    // The same keys, one platform-style write each.
    const tessary::ProfileFile written(path);
    std::vector<std::array<std::string, 3>> keys;
    std::string section;
    std::istringstream lines(written.Contents());
    for (std::string line; std::getline(lines, line);) {
        line.erase(line.find_last_not_of('\r') + 1);
        if (line.starts_with('[')) {
            section = line.substr(1, line.size() - 2);
        } else if (const auto eq = line.find('='); eq != std::string::npos) {
            keys.push_back({section, line.substr(0, eq), line.substr(eq + 1)});
        }
    }
    const double keyByKey = MedianMs(5, [&] {
        for (const auto& key : keys) {
            tessary::WritePrivateProfileString(key[0], key[1], key[2], path);
        }
    });

    NoBoxes boxes;
    const double read = MedianMs(101, [&] {
        tessary::ControlValues back;
        tessary::ReadParameterFile(path, back, boxes);
    });

    const std::string hostile = (folder / "hostile.ini").string();
    {
        std::ofstream out(hostile, std::ios::binary);
        out << "[Parameters]\r\n";
        std::string filler;
        while (filler.size() < tessary::ProfileFile::MaxFileBytes) {
            filler += "k=v\n";
        }
        out << filler;
    }
    const double readHostile = MedianMs(11, [&] {
        tessary::ControlValues back;
        tessary::ReadParameterFile(hostile, back, boxes);
    });

    std::printf("%zu keys, file of %zu bytes\n", keys.size(), written.Contents().size());
    std::printf("WriteParameterFile, one write:        %8.3f ms\n", oneWrite);
    std::printf("WritePrivateProfileString per key:    %8.3f ms (%.1fx)\n", keyByKey,
                keyByKey / oneWrite);
    std::printf("ReadParameterFile:                    %8.3f ms\n", read);
    std::printf("ReadParameterFile, 1 MiB of keys:     %8.3f ms\n", readHostile);
    std::filesystem::remove_all(folder);
    return 0;
}
