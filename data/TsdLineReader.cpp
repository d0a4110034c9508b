// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/TsdLineReader.h"

#include "data/Errors.h"

#include <fcntl.h>

namespace tessary {

namespace {

constexpr std::size_t ChunkBytes = 64 * 1024;

} // namespace

TsdLineReader::TsdLineReader(const std::string& path) : path_(path), buffer_(ChunkBytes) {
    if (!file_.Open(path, O_RDONLY)) {
        throw InOutError("The file " + path + " cannot be opened");
    }
}

bool TsdLineReader::Fill() {
    if (pos_ < len_) {
        return true;
    }
    if (!file_.IsOpen()) {
        return false;
    }
    const ssize_t got = file_.Read(buffer_.data(), buffer_.size());
    if (got < 0) {
        throw InOutError("The file " + path_ + " cannot be read");
    }
    pos_ = 0;
    len_ = static_cast<std::size_t>(got);
    return len_ > 0;
}

int TsdLineReader::Peek() {
    return Fill() ? static_cast<unsigned char>(buffer_[pos_]) : -1;
}

bool TsdLineReader::AtEnd() {
    return !Fill();
}

std::string TsdLineReader::Next() {
    std::string line;
    ++lineNumber_;
    while (Fill()) {
        std::size_t end = pos_;
        while (end < len_ && buffer_[end] != '\r' && buffer_[end] != '\n') {
            ++end;
        }
        if (line.size() + (end - pos_) > MaxLineBytes) {
            throw InOutError("Line " + std::to_string(lineNumber_) + " of " + path_ +
                             " is longer than " + std::to_string(MaxLineBytes) + " bytes");
        }
        line.append(buffer_.data() + pos_, end - pos_);
        if (end < len_) {
            const char c = buffer_[end];
            pos_ = end + 1;
            if (c == '\r' && Peek() == '\n') {
                ++pos_;
            }
            return line;
        }
        pos_ = len_;
    }
    return line;
}

} // namespace tessary
