#include "cli/ProgramFolder.h"

#include "data/FileNames.h"

#include <climits>
#include <unistd.h>

namespace tessary {

std::string ProgramFolder() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) {
        return {};
    }
    return FolderPart(std::string_view(path, static_cast<std::size_t>(n)));
}

} // namespace tessary
