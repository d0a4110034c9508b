// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/AtomicFile.h"

#include "data/Errors.h"
#include "settings/TemporaryFile.h"
#include "texts/Texts.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessary {

namespace {

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

} // namespace

void ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
    const InOutError refused(texts::CannotWrite(path));
    const std::string target = ReplacedFile(path);
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
    const int fd = CreateTemporaryBeside(target, temporary);
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
    SyncFolderOf(target);
}

} // namespace tessary
