// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Shared by the file-reader fuzz targets: message boxes that answer No and OK, and the
// input written to one scratch file that the reader opens by path.
#include "data/Dialogs.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace tessary::fuzz {

// Sample buffers the readers may allocate here. A header may legitimately ask for up to
// 2 GiB; beyond this bound the reader refuses with a RangeError instead, so the fuzzer's
// memory limit catches only allocations the reader did not bound.
inline constexpr std::int64_t SampleBufferLimit = 1 << 20;

class AnswerNo : public Dialogs {
public:
    MessageAnswer Show(MessageKind, const std::string&, MessageButtons buttons) override {
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
    }
};

// A scratch file of this process, removed when the process ends.
class ScratchFile {
public:
    explicit ScratchFile(const char* extension) {
        std::string pattern = "/tmp/tessary-fuzz-XXXXXX";
        const int fd = mkstemp(pattern.data());
        if (fd < 0) {
            std::abort();
        }
        close(fd);
        unlink(pattern.c_str());
        path_ = pattern + extension;
    }
    ~ScratchFile() { unlink(path_.c_str()); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Writes the input to the scratch file and returns its path.
inline const std::string& InputFile(const std::uint8_t* data, std::size_t size,
                                    const char* extension) {
    static const ScratchFile file(extension);
    const std::string& path = file.Path();
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0 || write(fd, data, size) != static_cast<ssize_t>(size) || close(fd) != 0) {
        std::abort();
    }
    return path;
}

} // namespace tessary::fuzz
