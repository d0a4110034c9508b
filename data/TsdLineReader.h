// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/PosixFile.h"

#include <cstddef>
#include <string>
#include <vector>

namespace tessary {

// Reads a text file line by line. CR LF, LF and a lone CR each end a line. A line longer
// than MaxLineBytes is an InOutError, so that no file makes the reader hold more.
class TsdLineReader {
public:
    static constexpr std::size_t MaxLineBytes = 65536;

    // An InOutError naming the file when it cannot be opened.
    explicit TsdLineReader(const std::string& path);

    // True when no byte is left.
    bool AtEnd();

    // The next line without its end; "" once the file has ended.
    std::string Next();

    void Close() { file_.Close(); }

private:
    bool Fill();
    int Peek();

    PosixFile file_;
    std::string path_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t len_ = 0;
    long lineNumber_ = 0;
};

} // namespace tessary
