// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/DateTime.h"
#include "data/Errors.h"

#include <gtest/gtest.h>

using namespace tessary;

TEST(DateTime, DaysCountFrom1899) {
    EXPECT_EQ(EncodeDateTime({1899, 12, 30, 0, 0, 0, 0}), 0.0);
    EXPECT_EQ(EncodeDateTime({1900, 1, 1, 0, 0, 0, 0}), 2.0);
    EXPECT_EQ(EncodeDateTime({1970, 1, 1, 0, 0, 0, 0}), 25569.0);
    EXPECT_EQ(EncodeDateTime({2000, 1, 1, 12, 0, 0, 0}), 36526.5);
    EXPECT_THROW(EncodeDateTime({2023, 2, 29, 0, 0, 0, 0}), ConversionError);
    EXPECT_THROW(EncodeDateTime({2024, 1, 1, 24, 0, 0, 0}), ConversionError);
}

TEST(DateTime, FormatsRoundTripThroughTheParser) {
    const double t = EncodeDateTime({2024, 2, 29, 23, 59, 58, 765});
    EXPECT_EQ(FormatDateTimeMs(t), "2024/02/29 23:59:58 765");
    EXPECT_EQ(FormatDateTime(t), "2024/02/29 23:59:58");
    // The milliseconds are not read back.
    const auto parsed = TryParseDateTime(FormatDateTimeMs(t));
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(FormatDateTimeMs(*parsed), "2024/02/29 23:59:58 000");

    for (const double day : {0.0, 1.0, 36526.25, 45000.999988425926}) {
        const auto back = TryParseDateTime(FormatDateTime(day));
        ASSERT_TRUE(back.has_value()) << day;
        EXPECT_EQ(FormatDateTime(*back), FormatDateTime(day));
    }
}

TEST(DateTime, ParsesADateATimeOrBoth) {
    EXPECT_EQ(TryParseDateTime("2024/01/05"), EncodeDateTime({2024, 1, 5, 0, 0, 0, 0}));
    EXPECT_EQ(TryParseDateTime("12:30"), EncodeDateTime({1899, 12, 30, 12, 30, 0, 0}));
    EXPECT_EQ(TryParseDateTime(" 2024/1/5 7:08:09 trailing"),
              EncodeDateTime({2024, 1, 5, 7, 8, 9, 0}));
    EXPECT_FALSE(TryParseDateTime("").has_value());
    EXPECT_FALSE(TryParseDateTime("memo line").has_value());
    EXPECT_FALSE(TryParseDateTime("2024/13/01").has_value());
    EXPECT_FALSE(TryParseDateTime("2024/01/05 note").has_value());
    EXPECT_FALSE(TryParseDateTime("12:30 note").has_value());
    EXPECT_FALSE(TryParseDateTime("25:00:00").has_value());
    EXPECT_FALSE(TryParseDateTime("100").has_value());
}

TEST(DateTime, SpansShowTheTimeOfDayPart) {
    EXPECT_EQ(FormatSpan(25.0 / 24.0), "01:00:00");
    EXPECT_EQ(FormatSpan(4.45 / 86400.0), "00:00:04");
    EXPECT_EQ(FormatSpan(0.0), "00:00:00");
    EXPECT_EQ(FormatSpan((3600.0 * 23 + 60 * 59 + 59.4) / 86400.0), "23:59:59");
}
