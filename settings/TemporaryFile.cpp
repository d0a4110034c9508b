// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/TemporaryFile.h"

#include "data/PosixFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace tessary {

namespace {

struct FreeDeleter {
    void operator()(char* p) const { std::free(p); }
};

std::filesystem::path FolderOf(const std::string& target) {
    const std::filesystem::path path(target);
    return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

} // namespace

std::string ReplacedFile(const std::string& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
        return path;
    }
    std::unique_ptr<char, FreeDeleter> real(::realpath(path.c_str(), nullptr));
    return real ? std::string(real.get()) : std::string();
}

int CreateTemporaryBeside(const std::string& target, std::string& name) {
    static std::mt19937_64 random{std::random_device{}()};
    const std::filesystem::path file(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%016llx.tmp",
                      static_cast<unsigned long long>(random()));
        // Appended piece by piece: "." + string + ... trips GCC 12's -Wrestrict at -O3.
        std::string hidden = ".";
        hidden += file.filename().string();
        hidden += suffix;
        name = (FolderOf(target) / hidden).string();
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

void SyncFolderOf(const std::string& target) {
    int error = 0;
    PosixFile::SyncFolder(target, error);
}

} // namespace tessary
