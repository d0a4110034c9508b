#pragma once

#include "data/PosixFile.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tessary {

// Writes burst blocks into a new file through a large buffer and makes them durable. The
// file is made afresh: whatever stood at the path before is removed, so nothing of an
// earlier file survives beyond what is written now.
class BlockFileWriter {
public:
    // Creates the file; an InOutError naming it when that is not possible (for example a
    // folder of that name, or no right to write there).
    explicit BlockFileWriter(std::string path);

    // Writes `block` at byte `offset` of the file. Blocks that follow each other are
    // collected and written together.
    void Write(std::int64_t offset, std::span<const unsigned char> block);

    // Writes what is collected, forces the file to the disk and closes it.
    void Commit();

    // Closes and removes the file.
    void Discard();

private:
    void Flush();
    void WriteOut(std::int64_t offset, const unsigned char* data, std::size_t n);
    [[noreturn]] void Fail(const std::string& what, int error) const;

    std::string path_;
    PosixFile file_;
    std::vector<unsigned char> pending_;
    std::int64_t pendingOffset_ = 0;
};

} // namespace tessary
