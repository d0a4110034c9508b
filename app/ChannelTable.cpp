// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ChannelTable.h"

#include "app/StartupDefaults.h"

#include <algorithm>
#include <string>

namespace tessary {

int ShownChannelCount(const ControlValues& values) {
    for (int count = 1; count <= MaxChannels; ++count) {
        if (values.ChNum == std::to_string(count)) {
            return count;
        }
    }
    return 0;
}

void ResizeChannelTable(ControlValues& values, int channels) {
    channels = std::clamp(channels, 0, MaxChannels);
    if (values.ChannelGrid.empty()) {
        values.ChannelGrid.push_back(ChannelHeadingRow());
    }
    const std::size_t rows = static_cast<std::size_t>(channels) + 1;
    while (values.ChannelGrid.size() < rows) {
        const std::string k = std::to_string(values.ChannelGrid.size());
        values.ChannelGrid.push_back({k, "Ch." + k, "mV", "1", "0"});
    }
    values.ChannelGrid.resize(rows);
}

} // namespace tessary
