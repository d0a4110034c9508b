// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/VersionReport.h"

#include "texts/Version.h"

namespace tessary {

std::string VersionReport(std::string_view program) {
    return std::string(program) + " (Tessary) " + ProgramVersion +
           "\n"
           "License GPL-3.0-or-later <https://www.gnu.org/licenses/gpl-3.0.html>.\n"
           "This is free software: you are free to change and redistribute it.\n"
           "There is NO WARRANTY, to the extent permitted by law.\n";
}

} // namespace tessary
