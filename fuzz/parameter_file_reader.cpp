// SPDX-License-Identifier: GPL-3.0-or-later
// Any byte sequence read as a parameter file gives a result: the profile layer finds or adds
// keys, and the mapping onto the controls never crashes, hangs or allocates without bound.
#include "FuzzDialogs.h"

#include "app/ParameterFile.h"
#include "settings/ProfileFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = tessary::fuzz::InputFile(data, size, ".apm");
    tessary::fuzz::AnswerNo dialogs;
    tessary::ControlValues values;
    tessary::ReadParameterFile(path, values, dialogs);

    tessary::ProfileFile file(path);
    file.Set("Parameters", "Number Of Data", "512");
    file.Set("Ch9", "Item", "x");
    if (file.Get("parameters", "number of data", "") != "512" ||
        file.Get("CH9", "ITEM", "") != "x") {
        std::abort();
    }
    return 0;
}
