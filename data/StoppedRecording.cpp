#include "data/StoppedRecording.h"

#include "data/TsdRebuilder.h"

#include <algorithm>

namespace tessary {

void StoppedRecording::MarkMissingSamples(std::int32_t scansDone) {
    MeasurementParameters& record = holder_.Record();
    const std::size_t channels =
        std::min(record.Samples.size(), static_cast<std::size_t>(std::max<int>(record.ChNum, 0)));
    const auto first = static_cast<std::size_t>(std::max<std::int32_t>(scansDone, 0));
    const auto steps = static_cast<std::size_t>(std::max<std::int32_t>(record.DataNum, 0));
    for (std::size_t c = 0; c < channels; ++c) {
        auto& samples = record.Samples[c];
        const std::size_t end = std::min(steps, samples.size());
        for (std::size_t step = first; step < end; ++step) {
            samples[step] = ErrorValue;
        }
    }
}

void StoppedRecording::Finish(const StoppedRun& run) {
    const bool tsd = run.FileType == FileTypeTsd;
    const std::int32_t begun = run.BurstNumber;
    if (run.IrqModeActive) {
        MarkMissingSamples(run.ScansDone);
        if (tsd) {
            holder_.WriteTsdBlock(begun - 1);
        } else {
            holder_.WriteSdfBlock(begun - 1);
        }
    }
    MeasurementParameters& record = holder_.Record();
    if (record.Iteration <= begun) {
        return;
    }
    record.Iteration = static_cast<std::int16_t>(begun);
    if (tsd) {
        TsdRebuilder(holder_).Rebuild(run.FileName, begun);
    } else {
        holder_.WriteSdfHeader(run.FileName);
    }
}

} // namespace tessary
