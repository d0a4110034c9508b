// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace tessary {

// Prepares the HDF5 library before its first use: its errors reach the operator only as the
// caller reports them (the library prints nothing on stderr), and it does not close its files
// again when the process ends. A file whose closing failed (its last data could not be
// written) stays half-closed in the library, and version 1.10 crashes when it closes such a
// file at exit.
void PrepareHdf5Library();

// Why the HDF5 call that failed last on this thread failed: the system's reason when the
// library recorded one (a read or write of the file: "File too large", "No space left on
// device"), else the library's innermost message. Clears the library's error stack.
std::string Hdf5Reason();

} // namespace tessary
