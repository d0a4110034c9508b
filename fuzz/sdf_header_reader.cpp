// SPDX-License-Identifier: GPL-3.0-or-later
// Any byte sequence given to the SDF header reader gives a result or one of the program's
// errors: no crash, no hang, no allocation beyond the sizes a header may legitimately ask.
#include "FuzzDialogs.h"

#include "data/Errors.h"
#include "data/TFrmSDFdata.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = tessary::fuzz::InputFile(data, size, ".sdf");
    tessary::fuzz::AnswerNo dialogs;
    tessary::TFrmSDFdata holder(dialogs);
    holder.SetSampleBufferLimit(tessary::fuzz::SampleBufferLimit);
    try {
        holder.ReadSdfHeader(path);
    } catch (const tessary::TessaryError&) {
    }
    return 0;
}
