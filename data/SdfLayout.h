// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string_view>

// Byte layout of an SDF file: a 256-byte fixed header, a channel table of 32-byte rows
// padded with spaces to a multiple of 256 bytes, then one block of 16-bit samples per
// burst. Little-endian, no alignment gaps; texts space-padded without terminator.
namespace tessary::sdf {

inline constexpr std::string_view Magic = "Standard Burst-Interval Data Format Ver.";
inline constexpr char WrittenVersion = '4';

inline constexpr std::size_t AreaBytes = 256; // header areas are multiples of this
inline constexpr std::size_t FixedHeaderBytes = 256;
inline constexpr std::size_t MagicAreaBytes = 210; // searched for the magic text
inline constexpr std::size_t VersionOffset = 40;
inline constexpr std::size_t MemoOffset = 50;
inline constexpr std::size_t MemoFieldBytes = 160;
inline constexpr std::size_t FieldsOffset = 210;
inline constexpr std::size_t ReservedBytes = 18;   // after StartTime, layouts 2 to 4
inline constexpr std::size_t ReservedBytesV1 = 20; // layout 1 has no unit bytes

inline constexpr std::size_t RowBytes = 32;
inline constexpr std::size_t ItemFieldBytes = 16;
inline constexpr std::size_t UnitFieldBytes = 8;

} // namespace tessary::sdf
