#include "settings/AtomicFile.h"

#include "data/Errors.h"
#include "texts/Texts.h"

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

// The file that the write replaces: the target of a symbolic link, else the path itself.
std::string ResolveTarget(const std::string& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
        return path;
    }
    std::unique_ptr<char, FreeDeleter> real(::realpath(path.c_str(), nullptr));
    return real ? std::string(real.get()) : std::string();
}

bool WriteAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Creates a new file with an unused name beside `target`; -1 when none can be created.
int CreateTemporary(const std::filesystem::path& target, std::string& name) {
    static std::mt19937_64 random{std::random_device{}()};
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%016llx.tmp",
                      static_cast<unsigned long long>(random()));
        name = (folder / ("." + target.filename().string() + suffix)).string();
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

} // namespace

void ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
    const InOutError refused(texts::CannotWrite(path));
    const std::string target = ResolveTarget(path);
    if (target.empty()) {
        throw refused;
    }
    struct stat status {};
    const bool exists = ::stat(target.c_str(), &status) == 0;
    if (exists && (!S_ISREG(status.st_mode) || ::access(target.c_str(), W_OK) != 0)) {
        throw refused;
    }
    if (!exists && errno != ENOENT) {
        throw refused;
    }
    std::string temporary;
    const int fd = CreateTemporary(std::filesystem::path(target), temporary);
    if (fd < 0) {
        throw refused;
    }
    bool ok = !exists || ::fchmod(fd, status.st_mode & 07777) == 0;
    ok = ok && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        throw refused;
    }
    const std::filesystem::path folder = std::filesystem::path(target).parent_path();
    const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

} // namespace tessary
