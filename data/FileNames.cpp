// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/FileNames.h"

#include <cctype>

namespace tessary {

namespace {

// Index just past the last separator ('/' here; '\' too, for names written on Windows).
std::size_t NameStart(std::string_view path) {
    const std::size_t sep = path.find_last_of("/\\");
    return sep == std::string_view::npos ? 0 : sep + 1;
}

std::size_t ExtensionStart(std::string_view path) {
    const std::size_t start = NameStart(path);
    const std::size_t dot = path.rfind('.');
    return dot == std::string_view::npos || dot < start ? path.size() : dot;
}

} // namespace

std::string ReplaceExtension(std::string_view path, std::string_view extension) {
    std::string result(path.substr(0, ExtensionStart(path)));
    result += extension;
    return result;
}

std::string UpperExtension(std::string_view path) {
    std::string ext(path.substr(ExtensionStart(path)));
    for (char& c : ext) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return ext;
}

std::string FolderPart(std::string_view path) {
    return std::string(path.substr(0, NameStart(path)));
}

std::string NamePart(std::string_view path) {
    return std::string(path.substr(NameStart(path)));
}

} // namespace tessary
