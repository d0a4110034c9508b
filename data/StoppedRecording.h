#pragma once

#include "data/TFrmSDFdata.h"

namespace tessary {

// Leaves a recording stopped early consistent: the interrupted burst is written with its
// missing samples marked, and the header states the bursts begun.
class StoppedRecording {
public:
    explicit StoppedRecording(TFrmSDFdata& holder) : holder_(holder) {}

    // The block and header writers' results are not acted on; a failed TSD rebuild raises
    // the rebuilder's InOutError.
    void Finish(const StoppedRun& run);

private:
    void MarkMissingSamples(std::int32_t scansDone);

    TFrmSDFdata& holder_;
};

} // namespace tessary
