#pragma once

#include "data/MeasurementParameters.h"

#include <optional>
#include <string>

namespace tessary {

struct SdfLayoutInfo;

// The header of a data file as the tool prints it: every field and the channel table,
// texts converted from CP932 to UTF-8.
class HeaderReport {
public:
    // `layout` only for SDF files.
    HeaderReport(const MeasurementParameters& record, std::string format, int version,
                 const SdfLayoutInfo* layout);

    std::string Text(const std::string& path) const;
    std::string Json() const;

private:
    const MeasurementParameters& record_;
    std::string format_;
    int version_;
    const SdfLayoutInfo* layout_;
};

} // namespace tessary
