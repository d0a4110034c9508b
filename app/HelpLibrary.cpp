// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/HelpLibrary.h"

#include <algorithm>
#include <cctype>
#include <dlfcn.h>
#include <filesystem>
#include <link.h>
#include <system_error>

namespace tessary {

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// The folder that holds the C library: the system's library folder on this machine.
std::string SystemLibraryFolder() {
    void* libc = dlopen("libc.so.6", RTLD_NOW | RTLD_NOLOAD);
    if (libc == nullptr) {
        return {};
    }
    link_map* map = nullptr;
    std::string path;
    if (dlinfo(libc, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr && map->l_name != nullptr) {
        path = map->l_name;
    }
    dlclose(libc);
    std::error_code error;
    const auto library = std::filesystem::canonical(path, error);
    return error ? std::string() : library.parent_path().string();
}

} // namespace

HelpLibrary::~HelpLibrary() {
    UnloadHelpLibrary();
}

void HelpLibrary::LoadHelpLibrary() {
    if (handle_ != nullptr || attempted_) {
        return;
    }
    attempted_ = true;
    handle_ = dlopen(LibraryName, RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const std::string path = LocateHelpLibrary();
        if (!path.empty()) {
            handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        }
    }
    if (handle_ != nullptr) {
        open_ = dlsym(handle_, "chm_open");
        close_ = dlsym(handle_, "chm_close");
        resolve_ = dlsym(handle_, "chm_resolve_object");
        retrieve_ = dlsym(handle_, "chm_retrieve_object");
    }
}

void HelpLibrary::UnloadHelpLibrary() {
    if (handle_ != nullptr) {
        dlclose(handle_);
    }
    handle_ = open_ = close_ = resolve_ = retrieve_ = nullptr;
}

std::string HelpLibrary::LocateHelpLibrary() const {
    for (const std::string& folder :
         {SystemLibraryFolder(), std::string("/usr/lib"), std::string("/lib")}) {
        const std::string path = folder + "/" + LibraryName;
        std::error_code error;
        if (!folder.empty() && std::filesystem::is_regular_file(path, error)) {
            return path;
        }
    }
    return {};
}

bool HelpLibrary::Available() const {
    return handle_ != nullptr && open_ != nullptr && close_ != nullptr && resolve_ != nullptr &&
           retrieve_ != nullptr;
}

std::string HelpLibrary::ExpandSystemRoot(const std::string& path,
                                          const std::string& windowsFolder) {
    static constexpr std::string_view Prefix = "%systemroot%";
    if (path.size() <= 11 ||
        !std::equal(Prefix.begin(), Prefix.end(), path.begin(), [](char p, char c) {
            return p == std::tolower(static_cast<unsigned char>(c));
        })) {
        return path;
    }
    std::string folder = windowsFolder;
    if (!folder.empty() && IsSeparator(folder.back())) {
        folder.pop_back();
    }
    return folder + path.substr(Prefix.size());
}

} // namespace tessary
