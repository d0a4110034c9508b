#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tessary {

// Writes burst blocks into a new file through a buffer and makes them durable. The file is
// made afresh: whatever stood at the path before is removed, so nothing of an earlier file
// survives beyond what is written now. Writing to the disk starts while blocks are still
// being collected, so that little is left to wait for at the end.
class BlockFileWriter {
public:
    // Creates the file; an InOutError naming it when that is not possible (for example a
    // folder of that name, or no right to write there).
    explicit BlockFileWriter(std::string path);
    ~BlockFileWriter();
    BlockFileWriter(const BlockFileWriter&) = delete;
    BlockFileWriter& operator=(const BlockFileWriter&) = delete;

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
    void Close();
    [[noreturn]] void Fail(const std::string& what, int error) const;

    std::string path_;
    int fd_ = -1;
    std::vector<unsigned char> pending_;
    std::int64_t pendingOffset_ = 0;
    std::int64_t unsynced_ = 0; // bytes written since writing to the disk was last started
};

} // namespace tessary
