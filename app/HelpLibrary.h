// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace tessary {

// The help library: what the help viewer reads help files with (chmlib), loaded once at start
// and freed at the end. On Windows this place is taken by hhctrl.ocx; here the window
// program's own viewer displays the help, and this loader finds the library that it needs.
class HelpLibrary {
public:
    static constexpr const char* LibraryName = "libchm.so.1";

    HelpLibrary() = default;
    ~HelpLibrary();
    HelpLibrary(const HelpLibrary&) = delete;
    HelpLibrary& operator=(const HelpLibrary&) = delete;

    // Loads by bare name (the platform's search order), else from LocateHelpLibrary(); a
    // failed load is not retried. Resolves the entries that the viewer reads a file with.
    void LoadHelpLibrary();
    void UnloadHelpLibrary();
    // The library in the system's library folders: the C library's folder, then /usr/lib and
    // /lib; empty when none holds it.
    std::string LocateHelpLibrary() const;

    // A library is loaded and the entries chm_open, chm_close, chm_resolve_object and
    // chm_retrieve_object are resolved.
    bool Available() const;

    // "%SystemRoot%" (any case) at the start of a path longer than 11 characters becomes
    // windowsFolder (a trailing separator removed); any other path comes back unchanged.
    static std::string ExpandSystemRoot(const std::string& path, const std::string& windowsFolder);

private:
    void* handle_ = nullptr;
    void* open_ = nullptr;
    void* close_ = nullptr;
    void* resolve_ = nullptr;
    void* retrieve_ = nullptr;
    bool attempted_ = false;
};

} // namespace tessary
