// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/ControlValues.h"
#include "acquisition/RunSettings.h"
#include "data/Dialogs.h"
#include "data/MeasurementParameters.h"
#include "data/TFrmSDFdata.h"

namespace tessary {

class RunView;

// Copies the controls into the record and the run settings, sizes the buffers and lays
// the charts out (view.Panel2Resize). A text that does not convert shows
// texts::IntervalNotInteger and gives false; any other failure (a value out of range, a
// ChNum outside 1 to 128, no sampling unit, a product that overflows, buffers that cannot
// be sized) gives false silently. Values assigned before a failure stay assigned.
bool GatherSettings(const ControlValues& controls, TFrmSDFdata& data, RunSettings& settings,
                    Dialogs& dialogs, RunView& view);

// ChNum := the channel-count text; the channel grid gets ChNum + 1 rows (new rows empty).
// While a run is going on, run control keeps the record's ChNum at the run's own count.
// A text that is not a 16-bit integer is a ConversionError or RangeError and changes
// nothing; so is a negative count.
void ComboChNumChange(ControlValues& controls, MeasurementParameters& record);

} // namespace tessary
