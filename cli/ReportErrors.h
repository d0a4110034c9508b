// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/ExitCodes.h"
#include "cli/TerminalDialogs.h"
#include "data/FileError.h"

#include <new>

namespace tessary {

// Runs a command's work; an error it raises becomes one line naming the file it concerns
// and the exit status ExitFailed.
template <typename Work> int ReportErrors(TerminalDialogs& dialogs, Work&& work) {
    try {
        return work();
    } catch (const FileError& e) {
        dialogs.SetSubject(e.Path());
        dialogs.Error(e.what());
    } catch (const TessaryError& e) {
        dialogs.Error(e.what());
    } catch (const std::bad_alloc&) {
        dialogs.Error("not enough memory");
    }
    return ExitFailed;
}

} // namespace tessary
