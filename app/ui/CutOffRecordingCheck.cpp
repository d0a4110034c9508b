// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/CutOffRecordingCheck.h"

#include "data/Dialogs.h"

#include <QMetaObject>

#include <exception>
#include <filesystem>

namespace tessary {

namespace {

// No box may come up from the other thread: a reader's message about a file that is no
// recording is dropped, and questions are answered No.
class Quiet final : public Dialogs {
public:
    MessageAnswer Show(MessageKind, const std::string&, MessageButtons buttons) override {
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
    }
};

} // namespace

CutOffRecordingCheck::~CutOffRecordingCheck() {
    closing_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

void CutOffRecordingCheck::Run(std::function<void()> work) {
    if (thread_.joinable()) {
        thread_.join();
    }
    thread_ = std::thread(std::move(work));
}

void CutOffRecordingCheck::Examine(const std::string& path, Found found) {
    Run([this, path, found = std::move(found)] {
        std::error_code missing;
        if (!std::filesystem::is_regular_file(path, missing)) {
            return;
        }
        Quiet quiet;
        MeasurementParameters header;
        std::optional<RecordingContents> contents;
        try {
            contents = ExamineRecording(path, quiet, header,
                                        [this](std::int64_t, std::int64_t) { return !closing_; });
        } catch (const std::exception&) {
            return; // a file the readers refuse is no recording to finish
        }
        if (contents && contents->Repairable() && contents->Tsd.Finished) {
            QMetaObject::invokeMethod(
                this, [found, contents = *contents] { found(contents); }, Qt::QueuedConnection);
        }
    });
}

void CutOffRecordingCheck::Repair(const std::string& path, Done done) {
    Run([this, path, done = std::move(done)] {
        Quiet quiet;
        std::optional<RecordingRepair::Report> report;
        std::string error;
        try {
            report = RecordingRepair::Repair(path, quiet);
        } catch (const std::exception& e) {
            error = e.what();
        }
        QMetaObject::invokeMethod(
            this, [done, report, error] { done(report, error); }, Qt::QueuedConnection);
    });
}

} // namespace tessary
