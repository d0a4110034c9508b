// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/sigrok/ReadingWords.h"

#include <cmath>

namespace tessary {

std::uint16_t ReadingToWord(double reading, double divider) {
    const double thousandths = reading * 1000.0 / divider;
    // Halves away from zero, as run control rounds the simulated card's samples.
    const double rounded = std::round(thousandths);
    if (!(rounded >= -32767.0 && rounded <= 32767.0)) {
        return MissingWord;
    }
    return static_cast<std::uint16_t>(static_cast<std::int16_t>(rounded));
}

double WordToReading(std::uint16_t word) {
    return static_cast<std::int16_t>(word) / 1000.0;
}

} // namespace tessary
