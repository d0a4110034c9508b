#pragma once

#include "data/TsdBlockIndex.h"

#include <cstdint>
#include <string>

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
};

} // namespace tessary
