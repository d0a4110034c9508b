#pragma once

#include <string>

namespace tessary {

// Stops the HDF5 library from printing its error stack on stderr, so that its errors reach
// the operator only as the caller reports them.
void SilenceHdf5Errors();

// Why the HDF5 call that failed last on this thread failed: the system's reason when the
// library recorded one (a read or write of the file: "File too large", "No space left on
// device"), else the library's innermost message. Clears the library's error stack.
std::string Hdf5Reason();

} // namespace tessary
