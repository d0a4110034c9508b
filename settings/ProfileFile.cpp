// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ProfileFile.h"

#include "data/Cp932.h"
#include "data/Errors.h"
#include "settings/AtomicFile.h"
#include "texts/Texts.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tessary {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Equality without regard to ASCII case; both bytes of a double-byte character compare
// exactly, since a second byte may lie in the range of the ASCII letters.
bool NamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    std::size_t i = 0;
    while (i < a.size()) {
        if (IsCp932LeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) {
                return false;
            }
            i += 2;
            continue;
        }
        if (FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
        ++i;
    }
    return true;
}

// Position of the first single-byte `c` in [begin, end), skipping the second bytes of
// double-byte characters; `end` when there is none.
std::size_t FindByte(std::string_view text, std::size_t begin, std::size_t end, char c) {
    std::size_t i = begin;
    while (i < end) {
        if (text[i] == c) {
            return i;
        }
        i += IsCp932LeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
    }
    return end;
}

void Trim(std::string_view text, std::size_t& begin, std::size_t& end) {
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
}

std::string WithoutLineBreaks(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return out;
}

// Reads at most `limit` bytes of a regular file; false when the file exists but could not be
// read completely. A missing file reads as empty.
bool ReadBounded(const std::string& path, std::size_t limit, std::string& out) {
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return errno == ENOENT || errno == ENOTDIR;
    }
    struct stat status {};
    bool complete = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    if (complete) {
        out.resize(limit + 1);
        std::size_t used = 0;
        while (used < out.size()) {
            const ssize_t n = ::read(fd, out.data() + used, out.size() - used);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                complete = n == 0;
                break;
            }
            used += static_cast<std::size_t>(n);
        }
        if (used > limit) {
            used = limit;
            complete = false;
        }
        out.resize(used);
    }
    ::close(fd);
    return complete;
}

} // namespace

ProfileFile::ProfileFile(std::string path) : path_(std::move(path)) {
    complete_ = ReadBounded(path_, MaxFileBytes, content_);
    Parse();
}

std::string_view ProfileFile::NameOf(const Entry& entry) const {
    return std::string_view(content_).substr(entry.NameBegin, entry.NameSize);
}

void ProfileFile::Parse() {
    entries_.clear();
    const std::string_view text(content_);
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t newline = text.find('\n', pos);
        const std::size_t next = newline == std::string_view::npos ? text.size() : newline + 1;
        std::size_t lineEnd = newline == std::string_view::npos ? text.size() : newline;
        if (lineEnd > pos && text[lineEnd - 1] == '\r') {
            --lineEnd;
        }
        std::size_t begin = pos;
        std::size_t end = lineEnd;
        // A byte-order mark that an editor put before the first line.
        if (pos == 0 && text.starts_with("\xEF\xBB\xBF")) {
            begin = std::min<std::size_t>(3, end);
        }
        Trim(text, begin, end);
        Entry entry;
        entry.LineBegin = pos;
        entry.LineEnd = lineEnd;
        entry.NextLine = next;
        if (begin < end && text[begin] == '[') {
            const std::size_t close = FindByte(text, begin + 1, end, ']');
            if (close < end) {
                std::size_t nameBegin = begin + 1;
                std::size_t nameEnd = close;
                Trim(text, nameBegin, nameEnd);
                entry.IsSection = true;
                entry.NameBegin = nameBegin;
                entry.NameSize = nameEnd - nameBegin;
                entries_.push_back(entry);
            }
        } else if (begin < end && text[begin] != ';') {
            const std::size_t equals = FindByte(text, begin, end, '=');
            if (equals < end) {
                std::size_t nameEnd = equals;
                std::size_t valueBegin = equals + 1;
                std::size_t valueEnd = end;
                Trim(text, begin, nameEnd);
                Trim(text, valueBegin, valueEnd);
                if (nameEnd > begin) {
                    entry.NameBegin = begin;
                    entry.NameSize = nameEnd - begin;
                    entry.ValueBegin = valueBegin;
                    entry.ValueSize = valueEnd - valueBegin;
                    entries_.push_back(entry);
                }
            }
        }
        pos = next;
    }
}

std::size_t ProfileFile::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].IsSection && NamesEqual(NameOf(entries_[i]), section)) {
            return i;
        }
    }
    return entries_.size();
}

std::optional<std::string> ProfileFile::Find(std::string_view section, std::string_view key) const {
    const std::size_t first = FindSection(section);
    for (std::size_t i = first + 1; i < entries_.size() && !entries_[i].IsSection; ++i) {
        if (NamesEqual(NameOf(entries_[i]), key)) {
            const std::string_view value =
                std::string_view(content_).substr(entries_[i].ValueBegin, entries_[i].ValueSize);
            return CutToBytes(value, MaxValueBytes);
        }
    }
    return std::nullopt;
}

std::string ProfileFile::Get(std::string_view section, std::string_view key,
                             std::string_view defaultValue) const {
    std::optional<std::string> value = Find(section, key);
    return value ? std::move(*value) : CutToBytes(defaultValue, MaxValueBytes);
}

void ProfileFile::Set(std::string_view section, std::string_view key, std::string_view value) {
    const std::string sectionName = WithoutLineBreaks(section);
    const std::string keyName = WithoutLineBreaks(key);
    const std::string line = keyName + "=" + WithoutLineBreaks(value);
    // What an open last line needs before a line is added after it: its LF when it stops
    // after a CR, else a whole CR LF.
    const auto closing = [this](std::size_t next) -> std::string {
        if (next != content_.size() || content_.empty() || content_.back() == '\n') {
            return {};
        }
        return content_.back() == '\r' ? "\n" : "\r\n";
    };
    const std::size_t first = FindSection(sectionName);
    if (first == entries_.size()) {
        std::string added = closing(content_.size());
        added += "[" + sectionName + "]\r\n" + line + "\r\n";
        content_ += added;
        Parse();
        return;
    }
    std::size_t last = first;
    for (std::size_t i = first + 1; i < entries_.size() && !entries_[i].IsSection; ++i) {
        if (NamesEqual(NameOf(entries_[i]), keyName)) {
            content_.replace(entries_[i].LineBegin, entries_[i].LineEnd - entries_[i].LineBegin,
                             line);
            Parse();
            return;
        }
        last = i;
    }
    const std::size_t at = entries_[last].NextLine;
    std::string added = closing(at);
    added += line + "\r\n";
    content_.insert(at, added);
    Parse();
}

void ProfileFile::Save() const {
    if (!complete_) {
        throw InOutError(texts::CannotWrite(path_));
    }
    ReplaceFileAtomically(path_, content_);
}

} // namespace tessary
