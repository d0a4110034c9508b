// SPDX-License-Identifier: GPL-3.0-or-later
// Any byte sequence given as a TSD recording is examined and its complete blocks read as
// numbers: a result or one of the program's errors, no crash, no hang, no allocation beyond
// what the file's complete blocks hold.
#include "FuzzDialogs.h"

#include "data/Errors.h"
#include "data/RecordingContents.h"
#include "data/TFrmSDFdata.h"
#include "data/TsdBlockReader.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = tessary::fuzz::InputFile(data, size, ".tsd");
    tessary::fuzz::AnswerNo dialogs;
    try {
        // The header reader allocates a burst's buffers; bound them first as the other
        // targets do.
        tessary::TFrmSDFdata holder(dialogs);
        holder.SetSampleBufferLimit(tessary::fuzz::SampleBufferLimit);
        if (!holder.ReadTsdHeader(path)) {
            return 0;
        }
        tessary::MeasurementParameters header;
        const auto contents = tessary::ExamineRecording(path, dialogs, header);
        if (!contents || contents->Format != tessary::RecordingFormat::Tsd) {
            return 0;
        }
        tessary::TsdBlockReader reader(path, contents->Tsd, header);
        std::vector<double> values;
        for (std::int64_t k = 0; k < contents->CompleteBursts; ++k) {
            reader.Read(k, values);
        }
    } catch (const tessary::TessaryError&) {
    }
    return 0;
}
