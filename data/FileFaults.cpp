// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/FileFaults.h"

#include <atomic>

namespace tessary {

namespace {

std::atomic<FileFaults*> installed{nullptr};

} // namespace

void FileFaults::Install(FileFaults* faults) {
    installed.store(faults);
}

FileFaults* FileFaults::Installed() {
    return installed.load(std::memory_order_relaxed);
}

} // namespace tessary
