// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ProfileStrings.h"

#include "settings/ProfileFile.h"

namespace tessary {

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& path) {
    return ProfileFile(path).Get(section, key, defaultValue);
}

void WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& path) {
    ProfileFile file(path);
    file.Set(section, key, value);
    file.Save();
}

} // namespace tessary
