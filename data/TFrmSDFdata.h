#pragma once

#include "data/Dialogs.h"
#include "data/MeasurementParameters.h"

namespace tessary {

class OldFormatUpgrader;

// Holds the one MeasurementParameters record for the life of the program and carries the
// file operations on it. Never shown.
class TFrmSDFdata {
public:
    explicit TFrmSDFdata(Dialogs& dialogs) : dialogs_(dialogs) {}

    MeasurementParameters& Record() { return record_; }
    const MeasurementParameters& Record() const { return record_; }

    Dialogs& MessageBoxes() { return dialogs_; }

    // Converts old SDF layouts when the reader meets one; without it such files are refused.
    void SetUpgrader(OldFormatUpgrader* upgrader) { upgrader_ = upgrader; }
    OldFormatUpgrader* Upgrader() const { return upgrader_; }

private:
    MeasurementParameters record_;
    Dialogs& dialogs_;
    OldFormatUpgrader* upgrader_ = nullptr;
};

} // namespace tessary
