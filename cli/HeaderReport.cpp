// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/HeaderReport.h"

#include "cli/JsonWriter.h"
#include "data/Cp932.h"
#include "data/DateTime.h"
#include "data/GeneralFormat.h"
#include "data/SdfLayoutInfo.h"

namespace tessary {

namespace {

std::optional<std::string> UnitName(TimeUnit unit) {
    if (unit > UnitYr) {
        return std::nullopt; // no row: a TSD interval line without a unit name
    }
    return std::string(TimeUnits[unit].Name);
}

std::string Interval(std::int32_t value, TimeUnit unit) {
    const auto name = UnitName(unit);
    return std::to_string(value) + " " + (name ? *name : "(unit " + std::to_string(unit) + ")");
}

int Rows(const MeasurementParameters& record) {
    const int rows = record.ChNum + record.BurstValueNum;
    return rows < 0 ? 0 : (rows > ChannelRows ? ChannelRows : rows);
}

// Memo line breaks (CR, CR LF or LF) continue on an indented line.
std::string MemoText(const std::string& memo) {
    std::string utf8 = Cp932ToUtf8(memo);
    while (!utf8.empty() && utf8.back() == ' ') {
        utf8.pop_back();
    }
    std::string text;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '\r' || utf8[i] == '\n') {
            if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') {
                ++i;
            }
            text += "\n               ";
        } else {
            text += utf8[i];
        }
    }
    return text;
}

void Field(std::string& out, const char* name, const std::string& value) {
    std::string label = std::string(name) + ":";
    label.resize(15, ' ');
    out += label + value + "\n";
}

} // namespace

HeaderReport::HeaderReport(const MeasurementParameters& record, const RecordingContents& contents)
    : record_(record), contents_(contents),
      format_(contents.Format == RecordingFormat::Sdf ? "SDF" : "TSD"),
      layout_(contents.Format == RecordingFormat::Sdf ? &contents.Sdf : nullptr) {}

std::string HeaderReport::Text(const std::string& path) const {
    std::string out;
    Field(out, "File", path);
    Field(out, "Format", format_ + " version " + std::to_string(contents_.Version));
    Field(out, "Memo", MemoText(record_.Memo));
    Field(out, "ChNum", std::to_string(record_.ChNum));
    Field(out, "BurstValueNum", std::to_string(record_.BurstValueNum));
    Field(out, "DataNum", std::to_string(record_.DataNum));
    Field(out, "SInterval", Interval(record_.SInterval, record_.SITUnit));
    Field(out, "Iteration", std::to_string(record_.Iteration));
    Field(out, "BInterval", Interval(record_.BInterval, record_.BITUnit));
    Field(out, "StartTime",
          FormatDateTimeMs(record_.StartTime) + " (" + FormatGeneral(record_.StartTime, 15) + ")");
    if (layout_ != nullptr) {
        Field(out, "BlockBytes", std::to_string(record_.BlockBytes));
        Field(out, "HeaderBlocks", std::to_string(record_.HeaderBlocks));
        Field(out, "BlocksPresent", std::to_string(layout_->BlocksPresent));
    }
    std::string bursts = std::to_string(contents_.CompleteBursts) + " complete";
    if (contents_.BeingRecorded) {
        bursts += " so far; being recorded";
    } else if (contents_.CompleteBursts == 0) {
        bursts += ": the file holds no burst";
    }
    if (contents_.CutOff() && !contents_.BeingRecorded) {
        bursts += "; cut off: the header states " + std::to_string(contents_.StatedBursts) +
                  " bursts, the file holds " + std::to_string(contents_.CompleteBursts) +
                  " complete (tessary-cli repair finishes it)";
    }
    Field(out, "Bursts", bursts);
    out += "Channels:\n  No.  Item              Unit      A               B\n";
    for (int row = 0; row < Rows(record_); ++row) {
        const ChannelSpec& spec = record_.Channel(row);
        std::string line = "  " + std::to_string(row + 1);
        line.resize(7, ' ');
        const std::string item = Cp932ToUtf8(spec.Item);
        const std::string unit = Cp932ToUtf8(spec.Unit);
        line += item + std::string(item.size() < 18 ? 18 - item.size() : 1, ' ');
        line += unit + std::string(unit.size() < 10 ? 10 - unit.size() : 1, ' ');
        const std::string a = FormatGeneral(spec.A, 7);
        line += a + std::string(a.size() < 16 ? 16 - a.size() : 1, ' ');
        line += FormatGeneral(spec.B, 7);
        out += line + "\n";
    }
    return out;
}

std::string HeaderReport::Json() const {
    JsonWriter json;
    json.BeginObject();
    json.Key("format");
    json.String(format_);
    json.Key("version");
    json.Integer(contents_.Version);
    json.Key("Memo");
    json.String(Cp932ToUtf8(record_.Memo));
    json.Key("ChNum");
    json.Integer(record_.ChNum);
    json.Key("BurstValueNum");
    json.Integer(record_.BurstValueNum);
    json.Key("DataNum");
    json.Integer(record_.DataNum);
    json.Key("SInterval");
    json.Integer(record_.SInterval);
    json.Key("SITUnit");
    const auto samplingUnit = UnitName(record_.SITUnit);
    samplingUnit ? json.String(*samplingUnit) : json.Null();
    json.Key("Iteration");
    json.Integer(record_.Iteration);
    json.Key("BInterval");
    json.Integer(record_.BInterval);
    json.Key("BITUnit");
    const auto burstUnit = UnitName(record_.BITUnit);
    burstUnit ? json.String(*burstUnit) : json.Null();
    json.Key("StartTime");
    json.Number(record_.StartTime);
    json.Key("StartTimeText");
    json.String(FormatDateTimeMs(record_.StartTime));
    json.Key("Channels");
    json.BeginArray();
    for (int row = 0; row < Rows(record_); ++row) {
        const ChannelSpec& spec = record_.Channel(row);
        json.BeginObject();
        json.Key("Item");
        json.String(Cp932ToUtf8(spec.Item));
        json.Key("Unit");
        json.String(Cp932ToUtf8(spec.Unit));
        json.Key("A");
        json.Number(spec.A);
        json.Key("B");
        json.Number(spec.B);
        json.EndObject();
    }
    json.EndArray();
    if (layout_ != nullptr) {
        json.Key("BlockBytes");
        json.Integer(record_.BlockBytes);
        json.Key("HeaderBlocks");
        json.Integer(record_.HeaderBlocks);
        json.Key("BlocksPresent");
        json.Integer(layout_->BlocksPresent);
    }
    json.Key("CompleteBursts");
    json.Integer(contents_.CompleteBursts);
    json.Key("CutOff");
    json.Bool(contents_.CutOff() && !contents_.BeingRecorded);
    json.Key("BeingRecorded");
    json.Bool(contents_.BeingRecorded);
    json.EndObject();
    return json.Text() + "\n";
}

} // namespace tessary
