// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/ui/BurstLoader.h"

#include "export/RecordingSource.h"
#include "texts/Texts.h"
#include "viewer/ViewedRecording.h"

#include <QMetaType>

#include <chrono>
#include <exception>

namespace tessary {

namespace {

// Progress reports at most this often, so that indexing a large file does not flood the
// window's event queue.
constexpr auto ProgressInterval = std::chrono::milliseconds(50);

} // namespace

BurstLoader::BurstLoader(std::string path) : path_(std::move(path)) {
    qRegisterMetaType<std::shared_ptr<const RecordingInfo>>();
    qRegisterMetaType<std::shared_ptr<const ShownBurst>>();
}

BurstLoader::~BurstLoader() = default;

std::uint64_t BurstLoader::NextRequest(int role) {
    return ++newest_.at(static_cast<std::size_t>(role));
}

void BurstLoader::Open() {
    if (stop_) {
        return;
    }
    auto last = std::chrono::steady_clock::now() - ProgressInterval;
    ViewedRecording viewed =
        ViewedRecording::Open(path_, [&](std::int64_t done, std::int64_t total) {
            const auto now = std::chrono::steady_clock::now();
            if (now - last >= ProgressInterval) {
                last = now;
                emit Progress(done, total);
            }
            return !stop_.load();
        });
    if (stop_) {
        return;
    }
    if (!viewed.Source) {
        emit Failed(QString::fromStdString(viewed.Problem));
        return;
    }
    auto info = std::make_shared<RecordingInfo>();
    info->Path = path_;
    info->Header = viewed.Source->Header();
    info->Contents = viewed.Source->Contents();
    info->Notice = viewed.ContentsNotice();
    source_ = std::move(viewed.Source);
    emit Opened(info);
}

void BurstLoader::Read(std::uint64_t request, int role, std::int64_t k) {
    if (stop_ || !source_ || request < newest_.at(static_cast<std::size_t>(role))) {
        return;
    }
    try {
        std::shared_ptr<const ShownBurst> burst = ShownBurst::Read(*source_, k);
        emit BurstRead(request, role, burst);
    } catch (const std::exception& error) {
        emit Failed(QString::fromStdString(texts::ViewerCannotShow(path_, error.what())));
    }
}

void BurstLoader::ExportCsv(const QString& target, std::int64_t k, std::int32_t first,
                            std::int32_t end) {
    if (stop_ || !source_) {
        return;
    }
    try {
        ExportBurstRange(*source_, k, first, end, target.toStdString());
        emit Exported(target);
    } catch (const std::exception& error) {
        emit Failed(
            QString::fromStdString(texts::CannotWrite(target.toStdString()) + "\n" + error.what()));
    }
}

} // namespace tessary
