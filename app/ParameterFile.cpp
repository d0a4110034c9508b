// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ParameterFile.h"

#include "app/ChannelTable.h"
#include "app/CommentText.h"
#include "app/StartupDefaults.h"
#include "data/Cp932.h"
#include "data/FileNames.h"
#include "data/TFrmSDFdata.h"
#include "settings/ProfileFile.h"
#include "texts/Texts.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

namespace tessary {

namespace {

constexpr int ChannelKeys = 4;
constexpr const char* ChannelKeyNames[ChannelKeys] = {"Item", "Scale", "Coef A", "Coef B"};

// Texts are stored in CP932, as the Windows program reads them, whenever CP932 can
// represent them. One that it cannot (a folder name of this system, say) is stored in
// UTF-8 behind a byte-order mark, a sequence that no CP932 text begins with.
constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";

std::string ToStored(std::string_view utf8) {
    if (std::optional<std::string> cp932 = Utf8ToCp932Exactly(utf8)) {
        return *cp932;
    }
    return std::string(Utf8Mark) + std::string(utf8);
}

std::string FromStored(std::string_view stored) {
    if (stored.starts_with(Utf8Mark)) {
        return std::string(stored.substr(Utf8Mark.size()));
    }
    return Cp932ToUtf8(stored);
}

// A relative program path means the program beside the file it came from; it is made
// absolute once, so that the test for the file and the start of the program, which runs
// in the data file's folder, find the same one.
std::string ProgramBesideFile(const std::string& program, const std::string& filePath) {
    const std::filesystem::path named(program);
    if (program.empty() || named.is_absolute()) {
        return program;
    }
    std::error_code error;
    const std::filesystem::path file = std::filesystem::absolute(filePath, error);
    if (error) {
        return program;
    }
    return (file.parent_path() / named).lexically_normal().string();
}

std::string ChannelSection(int k) {
    return "Ch" + std::to_string(k);
}

// A decimal integer with an optional sign, nothing else; nothing for any other text.
std::optional<int> ParseInteger(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') {
            return std::nullopt;
        }
    }
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// Reads keys into values that keep their current content when a key is missing.
class ValueReader {
public:
    explicit ValueReader(const ProfileFile& file) : file_(file) {}

    void Text(std::string_view section, std::string_view key, std::string& value) const {
        if (const std::optional<std::string> stored = file_.Find(section, key)) {
            value = FromStored(*stored);
        }
    }

    std::optional<int> Integer(std::string_view section, std::string_view key) const {
        const std::optional<std::string> stored = file_.Find(section, key);
        return stored ? ParseInteger(*stored) : std::nullopt;
    }

    void Integer(std::string_view section, std::string_view key, int& value) const {
        if (const std::optional<int> number = Integer(section, key)) {
            value = *number;
        }
    }

    // A list position: one of the list's `entries` positions, else no selection.
    void Position(std::string_view section, std::string_view key, int entries, int& value) const {
        if (const std::optional<int> number = Integer(section, key)) {
            value = (*number >= 0 && *number < entries) ? *number : -1;
        }
    }

private:
    const ProfileFile& file_;
};

// The channel count that the file asks for, as far as the list can show it; `notice` tells
// what could not be shown.
int ChannelCountFromFile(const ValueReader& reader, const ControlValues& values,
                         std::string& notice) {
    int count = ShownChannelCount(values);
    if (const std::optional<int> position = reader.Integer("Parameters", "Number of Channels")) {
        if (*position >= 0 && *position < MaxChannels) {
            count = *position + 1;
        } else if (*position >= MaxChannels) {
            count = MaxChannels;
            notice = texts::ParameterFileChannelsCut(std::int64_t{*position} + 1, MaxChannels);
        } else {
            notice = texts::ParameterFileChannelsUnusable(*position);
        }
    }
    return std::max(count, 1);
}

} // namespace

bool ReadParameterFile(const std::string& path, ControlValues& values, Dialogs& dialogs) {
    const ProfileFile file(path);
    const ValueReader reader(file);

    reader.Integer("Form", "Left", values.Left);
    reader.Integer("Form", "Top", values.Top);
    reader.Integer("Form", "Widht", values.Width);
    reader.Integer("Form", "Height", values.Height);

    reader.Text("Parameters", "Wait Time", values.WaitTime);
    reader.Text("Parameters", "Iteration", values.Iteration);
    reader.Text("Parameters", "BurstInterval", values.BurstInterval);
    reader.Position("Parameters", "Burst Time Unit", 3, values.BurstUnitIndex);
    reader.Text("Parameters", "Sampling Interval", values.SInterval);
    reader.Position("Parameters", "Sampling Time Unit", 3, values.SampUnitIndex);
    reader.Text("Parameters", "Number Of Data", values.DataNum);

    std::string notice;
    const int channels = ChannelCountFromFile(reader, values, notice);
    values.ChNum = std::to_string(channels);
    ResizeChannelTable(values, channels);
    for (int k = 1; k <= channels; ++k) {
        std::array<std::string, 5>& row = values.ChannelGrid[static_cast<std::size_t>(k)];
        row[0] = std::to_string(k);
        for (int key = 0; key < ChannelKeys; ++key) {
            reader.Text(ChannelSection(k), ChannelKeyNames[key], row[key + 1]);
        }
    }

    if (const std::optional<std::string> memo = file.Find("Parameters", "Memo")) {
        // The mark of a comment of several lines stands before the text's own encoding.
        values.Memo = !memo->empty() && memo->front() == SeveralLinesMark
                          ? DecodeComment(SeveralLinesMark + FromStored(memo->substr(1)))
                          : FromStored(*memo);
    }
    if (const std::optional<int> fileType = reader.Integer("Parameters", "File Type")) {
        const int chosen = std::clamp(*fileType, FileTypeSdf, FileTypeTsd);
        if (chosen != values.FileType) {
            values.FileType = chosen;
            values.FileName =
                ReplaceExtension(values.FileName, chosen == FileTypeTsd ? ".tsd" : ".sdf");
        }
    }
    reader.Text("File", "Save Name", values.FileName);
    if (file.Find("File", "Application Software")) {
        std::string program;
        reader.Text("File", "Application Software", program);
        values.ApplicationSoftware = ProgramBesideFile(program, path);
        // A file of the Windows program, or of an earlier version, has no such key.
        values.ApplicationSoftwareConfirmed =
            reader.Integer("File", "Application Software Confirmed").value_or(1) != 0;
    }

    if (!notice.empty()) {
        dialogs.ShowInformation(notice);
    }
    return true;
}

void WriteParameterFile(const std::string& path, const ControlValues& values) {
    ProfileFile file(path);
    const auto text = [&file](std::string_view section, std::string_view key,
                              std::string_view utf8) { file.Set(section, key, ToStored(utf8)); };
    const auto integer = [&file](std::string_view section, std::string_view key, int value) {
        file.Set(section, key, std::to_string(value));
    };

    integer("Form", "Left", values.Left);
    integer("Form", "Top", values.Top);
    integer("Form", "Widht", values.Width);
    integer("Form", "Height", values.Height);

    text("Parameters", "Wait Time", values.WaitTime);
    text("Parameters", "Iteration", values.Iteration);
    text("Parameters", "BurstInterval", values.BurstInterval);
    integer("Parameters", "Burst Time Unit", values.BurstUnitIndex);
    text("Parameters", "Sampling Interval", values.SInterval);
    integer("Parameters", "Sampling Time Unit", values.SampUnitIndex);
    text("Parameters", "Number Of Data", values.DataNum);
    const int channels = ShownChannelCount(values);
    integer("Parameters", "Number of Channels", channels - 1);

    for (int k = 1; k <= channels; ++k) {
        const std::size_t row = static_cast<std::size_t>(k);
        for (int key = 0; key < ChannelKeys; ++key) {
            text(ChannelSection(k), ChannelKeyNames[key],
                 row < values.ChannelGrid.size() ? values.ChannelGrid[row][key + 1] : "");
        }
    }

    const std::string memo = EncodeComment(values.Memo);
    if (!memo.empty() && memo.front() == SeveralLinesMark) {
        file.Set("Parameters", "Memo", SeveralLinesMark + ToStored(memo.substr(1)));
    } else {
        text("Parameters", "Memo", memo);
    }
    integer("Parameters", "File Type", values.FileType);
    text("File", "Save Name", values.FileName);
    text("File", "Application Software", values.ApplicationSoftware);
    integer("File", "Application Software Confirmed", values.ApplicationSoftwareConfirmed ? 1 : 0);

    file.Save();
}

} // namespace tessary
