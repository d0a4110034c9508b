#pragma once

#include <cstdint>
#include <string>

namespace tessary {

class TFrmSDFdata;

// Gives a TSD file a new header: the record's header and the file's first blocks go to a
// temporary file beside it (extension ".$$$"), which then replaces the data file with one
// rename. The data file is replaced only after the copy was completely written, flushed to
// the disk and closed; a failed step leaves the data file as it was, and an InOutError names
// both files.
class TsdRebuilder {
public:
    explicit TsdRebuilder(TFrmSDFdata& holder) : holder_(holder) {}

    // Copies blocks "No." line plus DataNum lines each, from the first line "No.1" after the
    // old header on.
    void Rebuild(const std::string& path, std::int32_t blocks);

private:
    TFrmSDFdata& holder_;
};

} // namespace tessary
