// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/ControlValues.h"

namespace tessary {

// The channel count that the channel-count list shows: the number in ChNum when it is one of
// the list's entries "1" to "4", else 0 (no selection).
int ShownChannelCount(const ControlValues& values);

// Gives the channel table `channels` rows below its heading row (0 to 4). Rows that stay keep
// their cells; a new row k reads k, "Ch.k", "mV", "1", "0" as at start-up.
void ResizeChannelTable(ControlValues& values, int channels);

} // namespace tessary
