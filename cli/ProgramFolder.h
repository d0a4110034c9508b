#pragma once

#include <string>

namespace tessary {

// The folder of the running program file, with its trailing separator; "" when it cannot
// be found.
std::string ProgramFolder();

} // namespace tessary
