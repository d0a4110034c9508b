// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tessary {

// Writes burst blocks into a new temporary file beside another file and makes them durable.
// The temporary file gets a name of its own (CreateTemporaryBeside: ".NAME.<random>.tmp"),
// created only if no file has it, so two conversions in one folder never touch each other's
// files and nothing of an earlier file is in it. Writing to
// the disk starts while blocks are still being collected, so that little is left to wait for
// at the end.
class BlockFileWriter {
public:
    // Creates the temporary file beside `beside`; an InOutError naming the folder and the
    // system's reason when that is not possible (no right to write there, a full disk).
    explicit BlockFileWriter(const std::string& beside);

    const std::string& Path() const { return path_; }
    ~BlockFileWriter();
    BlockFileWriter(const BlockFileWriter&) = delete;
    BlockFileWriter& operator=(const BlockFileWriter&) = delete;

    // Writes `block` at byte `offset` of the file. Blocks that follow each other are
    // collected and written together.
    void Write(std::int64_t offset, std::span<const unsigned char> block);

    // Writes what is collected, gives the file the permission bits and, where the system
    // allows, the owner of the file at `like`, forces it to the disk and closes it.
    void Commit(const std::string& like);

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
