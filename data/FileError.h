// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/Errors.h"

#include <string>

namespace tessary {

// An input/output error that knows which file it concerns, so that the error
// message names that file rather than the one the command was given.
class FileError : public InOutError {
public:
    FileError(std::string path, const std::string& message)
        : InOutError(message), path_(std::move(path)) {}

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

} // namespace tessary
