// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/sigrok/ReadingWords.h"
#include "data/MeasurementParameters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tessary;

namespace {

std::int16_t Stored(std::uint16_t word) {
    return static_cast<std::int16_t>(word);
}

TEST(ReadingWords, AReadingIsStoredInThousandthsRoundedHalfAwayFromZero) {
    EXPECT_EQ(Stored(ReadingToWord(1.234, 1)), 1234);
    EXPECT_EQ(Stored(ReadingToWord(-1.234, 1)), -1234);
    EXPECT_EQ(Stored(ReadingToWord(0.0125, 1)), 13);
    EXPECT_EQ(Stored(ReadingToWord(-0.0125, 1)), -13);
    EXPECT_EQ(Stored(ReadingToWord(0.0004, 1)), 0);
    EXPECT_EQ(Stored(ReadingToWord(32.767, 1)), 32767);
    EXPECT_EQ(Stored(ReadingToWord(-32.767, 1)), -32767);
}

// 230 V behind a divider of 10 is stored as 23.000.
TEST(ReadingWords, TheDividerComesBeforeTheFilesRange) {
    EXPECT_EQ(Stored(ReadingToWord(230.0, 10)), 23000);
    EXPECT_EQ(Stored(ReadingToWord(1.0, 3)), 333);
    EXPECT_EQ(ReadingToWord(230.0, 1), MissingWord);
    EXPECT_EQ(ReadingToWord(-20.0, 0.5), MissingWord);
}

// Beyond ±32.767 units, or no number at all: the missing mark, never a wrapped value.
TEST(ReadingWords, WhatAFileCannotHoldIsMissingNeverWrapped) {
    for (const double reading :
         {32.768, 32.7676, -32.7676, 33.0, -32.768, 1e300, -1e300,
          std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_EQ(ReadingToWord(reading, 1), MissingWord) << reading;
    }
    EXPECT_EQ(Stored(MissingWord), ErrorValue);
}

// Every word comes back through HexToVal × 1000 and run control's rounding as exactly the
// stored value, the missing mark included, so the card's words are the file's samples; and
// every such reading is taken back to its word.
TEST(ReadingWords, EveryWordReadsBackToItsOwnStoredValue) {
    int wrong = 0;
    for (std::uint32_t w = 0; w <= 0xFFFF; ++w) {
        const auto word = static_cast<std::uint16_t>(w);
        const double reading = WordToReading(word);
        wrong += std::round(reading * 1000.0) != Stored(word);
        wrong += ReadingToWord(reading, 1) != word;
    }
    EXPECT_EQ(wrong, 0);
}

} // namespace
