// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace tessary {

// The user's own folders, where an installed program keeps everything it writes.
struct UserFolders {
    std::string Config; // the program's settings folder, with the trailing separator
    std::string Home;   // the home folder, with the trailing separator
};

// Config: $XDG_CONFIG_HOME/tessary/ when that variable holds an absolute path, otherwise
// ~/.config/tessary/. Home: $HOME, else the home folder of the password database, else "/".
// Nothing is created.
UserFolders CurrentUserFolders();

} // namespace tessary
