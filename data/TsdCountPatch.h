// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/PosixFile.h"
#include "data/TsdBlockIndex.h"

#include <cstdint>
#include <string>
#include <sys/stat.h>
#include <thread>

namespace tessary {

// Makes the burst-count line of a version-2 TSD file state a new count and drops the bytes
// after the end of its complete blocks, leaving every other byte as it was: the header is
// never rendered anew, so nothing of it (the start time's milliseconds, coefficients that 7
// digits do not hold, the memo's line breaks) can change.
//
// A count as long as the old one is written over it in place, and the file is cut at the end
// of its blocks: no second copy of the file is needed, which matters when the disk is full.
// Otherwise the file is copied beside itself (the extension ".$$$") with the new line, and the
// copy, forced to the disk with its folder, replaces the file in one rename; the copy keeps the
// file's permission bits and, where the system allows, its owner. A step that fails raises an
// InOutError naming the file and the system's reason; a failed copy is removed and the file
// is left as it was.
class TsdCountPatch {
public:
    enum class Way { InPlace, Copied };

    // `index` locates the count line (IndexTsdBlocks); `keepEnd` is where the file is to end.
    static Way Apply(const std::string& path, const TsdBlockIndex& index, std::int64_t bursts,
                     std::int64_t keepEnd);

    // The copy's path beside `path`.
    static std::string CopyPath(const std::string& path);

    // A copy begun while the caller still reads the file to count its complete blocks: the
    // bytes after the count line are copied on a thread of their own, placed for a new count of
    // `digits` characters, so that reading and copying overlap. Finish completes the patch with
    // it when the count turns out that long, and otherwise as Apply does; a copy that is not
    // finished is removed. The file must not change meanwhile (its lock is held).
    class Early {
    public:
        // `header` locates the count line (IndexTsdBlocks of at least the header).
        Early(const std::string& path, const TsdBlockIndex& header, std::size_t digits);
        ~Early();
        Early(const Early&) = delete;
        Early& operator=(const Early&) = delete;

        Way Finish(const TsdBlockIndex& index, std::int64_t bursts, std::int64_t keepEnd);

    private:
        void Discard();

        std::string path_;
        std::string copy_;
        std::size_t digits_;
        std::int64_t countOffset_;
        std::int64_t countEnd_;
        std::int64_t size_ = 0;
        struct stat status_ {};
        PosixFile in_;
        PosixFile out_;
        std::thread thread_;
        bool started_ = false;
        bool copied_ = false; // set by the thread
        bool done_ = false;
    };
};

} // namespace tessary
