// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace tessary {

// A file written front to back through a buffer with POSIX calls. It is created (or emptied)
// when opened; every failure is an InOutError that names the path. Close() must be called
// to learn whether the last bytes reached the file; the destructor only releases.
class OutputFile {
public:
    explicit OutputFile(std::string path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void Write(std::string_view bytes);
    void Close();

private:
    void Flush();
    [[noreturn]] void Fail(std::string_view what);

    std::string path_;
    int fd_ = -1;
    std::string buffer_;
};

} // namespace tessary
