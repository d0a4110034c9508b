// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/ViewedRecording.h"

#include "data/Dialogs.h"
#include "data/FileError.h"
#include "export/CsvExport.h"
#include "export/TemporaryOutput.h"
#include "texts/Texts.h"

#include <exception>

namespace tessary {

namespace {

// Keeps the first message a reader shows instead of showing it: the viewer names the file
// and shows the reason in its own window.
class KeptMessage final : public Dialogs {
public:
    MessageAnswer Show(MessageKind, const std::string& text, MessageButtons buttons) override {
        if (text_.empty()) {
            text_ = text;
        }
        return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

} // namespace

ViewedRecording ViewedRecording::Open(const std::string& path, const IndexProgress& progress) {
    ViewedRecording viewed;
    KeptMessage message;
    try {
        viewed.Source =
            RecordingSource::Open(path, message, [&](std::int64_t done, std::int64_t total) {
                const bool goOn = !progress || progress(done, total);
                viewed.Stopped = viewed.Stopped || !goOn;
                return goOn;
            });
        if (!viewed.Source) {
            viewed.Problem = texts::ViewerCannotShow(
                path, message.Text().empty() ? texts::FormatDiffers : message.Text());
        }
    } catch (const std::exception& error) {
        viewed.Source.reset();
        viewed.Problem = texts::ViewerCannotShow(path, error.what());
    }
    return viewed;
}

std::string ViewedRecording::ContentsNotice() const {
    if (!Source) {
        return {};
    }
    const RecordingContents& contents = Source->Contents();
    if (contents.BeingRecorded) {
        return texts::ViewerBeingRecorded(contents.CompleteBursts);
    }
    if (contents.CutOff()) {
        return texts::ViewerCutOff(contents.CompleteBursts, contents.StatedBursts);
    }
    return {};
}

void ExportBurstRange(RecordingSource& source, std::int64_t k, std::int32_t first, std::int32_t end,
                      const std::string& path) {
    TemporaryOutput output(path);
    CsvExport csv(output.WritePath(), source);
    csv.LimitScans(first, end);
    csv.Write(k, source.Read(k));
    csv.Finish();
    output.Commit();
}

} // namespace tessary
