// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/RecordingContents.h"

#include "data/PosixFile.h"
#include "data/RecordingLock.h"
#include "data/SdfHeaderLoader.h"
#include "data/SdfLayout.h"
#include "data/TFrmSDFdata.h"
#include "data/TsdWriter.h"

#include <algorithm>
#include <array>
#include <fcntl.h>
#include <string_view>

namespace tessary {

namespace {

// Position of the TSD version digit in line 1, just after the magic text.
constexpr std::size_t TsdVersionPosition = 33;

// Passes every message on, and answers the old-layout question Yes so that an old SDF is
// read as it is (the loader's upgrader declines to convert it).
class ReadAsItIs final : public Dialogs {
public:
    explicit ReadAsItIs(Dialogs& inner) : inner_(inner) {}
    MessageAnswer Show(MessageKind kind, const std::string& text, MessageButtons buttons) override {
        return buttons == MessageButtons::YesNo ? MessageAnswer::Yes
                                                : inner_.Show(kind, text, buttons);
    }

private:
    Dialogs& inner_;
};

std::string FirstBytes(const std::string& path) {
    std::array<char, sdf::MagicAreaBytes> bytes{};
    PosixFile file;
    if (!file.Open(path, O_RDONLY | O_CLOEXEC)) {
        return {};
    }
    const ssize_t n = file.Read(bytes.data(), bytes.size());
    return n > 0 ? std::string(bytes.data(), static_cast<std::size_t>(n)) : std::string();
}

} // namespace

std::optional<RecordingFormat> DetectRecordingFormat(const std::string& path) {
    const std::string bytes = FirstBytes(path);
    const std::string_view text(bytes);
    if (text.substr(0, text.find_first_of("\r\n")).find(TsdMagic) != std::string_view::npos) {
        return RecordingFormat::Tsd;
    }
    if (text.find(sdf::Magic) != std::string_view::npos) {
        return RecordingFormat::Sdf;
    }
    return std::nullopt;
}

std::optional<RecordingContents> ExamineRecording(const std::string& path, Dialogs& dialogs,
                                                  MeasurementParameters& header,
                                                  const IndexProgress& progress) {
    ReadAsItIs asItIs(dialogs);
    TFrmSDFdata holder(asItIs);
    // Bursts are read into the readers' own buffers, sized by the file's complete blocks.
    holder.SetHeadersOnly(true);
    RecordingContents contents;
    const std::optional<RecordingFormat> format = DetectRecordingFormat(path);
    contents.Format = format.value_or(RecordingFormat::Sdf);
    if (contents.Format == RecordingFormat::Tsd) {
        if (!holder.ReadTsdHeader(path)) {
            return std::nullopt;
        }
        const std::string first = FirstBytes(path);
        contents.Version = first.size() > TsdVersionPosition ? first[TsdVersionPosition] - '0' : 0;
    } else {
        // An SDF reader's message names what is wrong with a file of neither layout.
        SdfHeaderLoader loader(holder);
        if (!loader.Load(path)) {
            return std::nullopt;
        }
        contents.Sdf = loader.Layout();
        contents.Version = contents.Sdf.Version;
    }
    const MeasurementParameters& record = holder.Record();
    contents.StatedBursts = record.Iteration;
    const std::int64_t limit =
        record.Iteration > 0 ? std::int64_t{record.Iteration} : MaxStatedBursts;
    if (contents.Format == RecordingFormat::Tsd) {
        contents.Tsd = IndexTsdBlocks(path, contents.Version, record, limit, progress);
        contents.CompleteBursts = contents.Tsd.CompleteBlocks();
    } else {
        contents.CompleteBursts = std::min(contents.Sdf.BlocksPresent, limit);
    }
    contents.BeingRecorded = RecordingLock::IsRecording(path);
    header = std::move(holder.Record());
    return contents;
}

} // namespace tessary
