// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <string>

namespace tessary {

// Starts a program that lives on its own: no arguments, this program's environment, the given
// current folder, a session of its own, no open files but the standard ones, and no child of
// ours left behind (so it never becomes a zombie and survives this program's end).
class DetachedProcess {
public:
    // Returns once the program is running (its file was executed) or `readyWait` has passed.
    // Throws InOutError "<path> を起動できません" with the reason when the file cannot be
    // executed or the folder cannot be entered.
    static void Start(const std::string& path, const std::string& folder,
                      std::chrono::milliseconds readyWait);
};

} // namespace tessary
