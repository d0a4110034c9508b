// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/UserFolders.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace tessary {

namespace {

std::string WithSeparator(std::string folder) {
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') {
        return home;
    }
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir) {
        return entry->pw_dir;
    }
    return "/";
}

} // namespace

UserFolders CurrentUserFolders() {
    UserFolders folders;
    folders.Home = WithSeparator(HomeFolder());
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string base =
        config != nullptr && config[0] == '/' ? WithSeparator(config) : folders.Home + ".config/";
    folders.Config = base + "tessary/";
    return folders;
}

} // namespace tessary
