// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/TFrmSDFdata.h"

#include "data/Errors.h"
#include "data/SdfReader.h"
#include "data/StoppedRecording.h"
#include "data/TsdReader.h"

#include <sys/stat.h>

namespace tessary {

std::string StripQuotes(std::string_view text) {
    if (text.starts_with('\'')) {
        text.remove_prefix(1);
    }
    if (text.ends_with('\'')) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

std::vector<std::string> SplitCommaList(std::string_view text) {
    std::vector<std::string> items;
    while (items.size() < static_cast<std::size_t>(ChannelRows)) {
        const std::size_t comma = text.find(',');
        items.emplace_back(text.substr(0, comma));
        if (comma == std::string_view::npos) {
            break;
        }
        text.remove_prefix(comma + 1);
    }
    return items;
}

bool TFrmSDFdata::ReadSdfHeader(const std::string& path) {
    return SdfReader(*this).Read(path);
}

bool TFrmSDFdata::WriteSdfHeader(const std::string& path) {
    const bool written = sdfWriter_.WriteHeader(record_, path);
    writeError_ = written ? 0 : sdfWriter_.LastError();
    return written;
}

bool TFrmSDFdata::WriteSdfBlock(std::int32_t k) {
    const bool written = sdfWriter_.WriteBlock(record_, k);
    writeError_ = written ? 0 : sdfWriter_.LastError();
    return written;
}

bool TFrmSDFdata::ReadTsdHeader(const std::string& path) {
    return TsdReader(*this).Read(path);
}

bool TFrmSDFdata::WriteTsdHeader(const std::string& path) {
    const bool written = tsdWriter_.WriteHeader(record_, path);
    writeError_ = written ? 0 : tsdWriter_.LastError();
    return written;
}

bool TFrmSDFdata::WriteTsdBlock(std::int32_t k) {
    const bool written = tsdWriter_.WriteBlock(record_, k);
    writeError_ = written ? 0 : tsdWriter_.LastError();
    return written;
}

void TFrmSDFdata::SetDurableWrites(bool durable) {
    sdfWriter_.SetDurable(durable);
    tsdWriter_.SetDurable(durable);
}

std::int32_t TFrmSDFdata::FinishStoppedRecording(const StoppedRun& run) {
    return StoppedRecording(*this).Finish(run);
}

void TFrmSDFdata::NormaliseAfterRead(const std::string& path) {
    try {
        record_.NormaliseBurstInterval();
    } catch (const RangeError& e) {
        throw RangeError("The intervals of " + path + " cannot be normalised: " + e.what());
    }
}

void TFrmSDFdata::CheckSizesAfterRead(const std::string& path) {
    try {
        record_.ComputeDerivedSizes();
    } catch (const RangeError& e) {
        throw RangeError("The file " + path + ": " + e.what());
    }
    const std::int64_t bytes = std::int64_t{record_.BlockBytes};
    if (bytes > sampleBufferLimit_) {
        throw RangeError("The file " + path + " declares " + std::to_string(record_.DataNum) +
                         " data in " + std::to_string(record_.ChNum) +
                         " channels: sample buffers of " + std::to_string(bytes) +
                         " bytes are more than can be held");
    }
}

void TFrmSDFdata::AllocateBuffersAfterRead(const std::string& path, std::int64_t headerBytes) {
    CheckSizesAfterRead(path);
    if (headersOnly_) {
        return;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 ||
        std::int64_t{info.st_size} - headerBytes < std::int64_t{record_.BlockBytes}) {
        return;
    }
    try {
        record_.AllocateSampleBuffers();
    } catch (const RangeError& e) {
        throw RangeError("The file " + path + ": " + e.what());
    }
}

} // namespace tessary
