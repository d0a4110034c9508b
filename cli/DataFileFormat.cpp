// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/DataFileFormat.h"

#include "data/FileNames.h"
#include "data/SdfLayout.h"
#include "data/TsdWriter.h"

#include <fcntl.h>
#include <string_view>
#include <unistd.h>

namespace tessary {

namespace {

std::string FirstBytes(const std::string& path, std::size_t n) {
    std::string bytes(n, '\0');
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    const ssize_t got = ::read(fd, bytes.data(), n);
    ::close(fd);
    bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return bytes;
}

} // namespace

std::optional<DataFormat> DetectDataFormat(const std::string& path) {
    const std::string extension = UpperExtension(path);
    if (extension == ".SDF") {
        return DataFormat::Sdf;
    }
    if (extension == ".TSD") {
        return DataFormat::Tsd;
    }
    const std::string head = FirstBytes(path, 64);
    if (std::string_view(head).starts_with(sdf::Magic)) {
        return DataFormat::Sdf;
    }
    if (head.find(TsdMagic) != std::string::npos) {
        return DataFormat::Tsd;
    }
    return std::nullopt;
}

int TsdVersion(const std::string& path) {
    const std::string head = FirstBytes(path, 256);
    const std::string line = head.substr(0, head.find_first_of("\r\n"));
    // The reader takes the 34th character of the line, wherever the text stands in it.
    if (line.find(TsdMagic) == std::string::npos || line.size() <= TsdMagic.size()) {
        return 0;
    }
    const char digit = line[TsdMagic.size()];
    return digit >= '0' && digit <= '9' ? digit - '0' : 0;
}

int SdfVersion(const std::string& path) {
    const std::string head = FirstBytes(path, sdf::VersionOffset + 1);
    if (!std::string_view(head).starts_with(sdf::Magic) || head.size() <= sdf::VersionOffset) {
        return 0;
    }
    const char digit = head[sdf::VersionOffset];
    return digit >= '0' && digit <= '9' ? digit - '0' : 0;
}

} // namespace tessary
