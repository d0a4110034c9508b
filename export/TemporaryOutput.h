// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace tessary {

// An output file written under a temporary name beside its final path and renamed over that
// path only when complete. Until Commit() an earlier file at the path stays exactly as it was;
// an output that fails, is cancelled or is abandoned removes its temporary file when this
// object ends (only a killed process leaves it behind, as ".NAME.<random>.tmp", never in the
// final file's place). A symbolic link at the path is followed, so the file it points to is
// replaced; an earlier file's permission bits carry over to its replacement.
class TemporaryOutput {
public:
    // Creates the empty temporary file; a FileError naming `path` with the system's reason
    // when it cannot.
    explicit TemporaryOutput(const std::string& path);
    ~TemporaryOutput();
    TemporaryOutput(const TemporaryOutput&) = delete;
    TemporaryOutput& operator=(const TemporaryOutput&) = delete;

    // Where to write: the temporary file.
    const std::string& WritePath() const { return temporary_; }
    // The final path, as given.
    const std::string& FinalPath() const { return path_; }

    // Forces the written file to the disk and renames it into place. A FileError naming the
    // final path with the system's reason when it cannot; the earlier file then stays.
    void Commit();

private:
    std::string path_;
    std::string target_;
    std::string temporary_;
    bool committed_ = false;
};

} // namespace tessary
