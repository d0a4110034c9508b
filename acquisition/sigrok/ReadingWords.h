// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// How a device's readings travel as the card's raw words. A word is the stored sample
// itself: the reading divided by the channel's divider, in thousandths of the device's unit
// (mV for volts), rounded half away from zero, as a 16-bit two's-complement value. So
// run control's HexToVal(word) × 1000 gives back exactly the stored value, with no
// re-quantisation. A reading that a data file cannot hold (beyond ±32.767 units after the
// divider, or not a number) travels as MissingWord, the stored missing-sample mark itself
// (−32768), which the charts leave out.
namespace tessary {

inline constexpr std::uint16_t MissingWord = 0x8000;

// The word of `reading` (in the device's unit) behind a divider of `divider` (> 0).
std::uint16_t ReadingToWord(double reading, double divider);

// The value of a word in the device's unit (after the divider); −32.768 for MissingWord.
double WordToReading(std::uint16_t word);

} // namespace tessary
