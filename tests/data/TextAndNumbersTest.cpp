// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/Cp932.h"
#include "data/GeneralFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

using namespace tessary;

TEST(GeneralFormat, SevenDigitsAsDataFilesWriteThem) {
    EXPECT_EQ(FormatGeneral(7, 7), "7");
    EXPECT_EQ(FormatGeneral(-1.5, 7), "-1.5");
    EXPECT_EQ(FormatGeneral(0.0001234, 7), "0.0001234");
    EXPECT_EQ(FormatGeneral(1234567, 7), "1234567");
    EXPECT_EQ(FormatGeneral(1.5e-6, 7), "1.5E-6");
    EXPECT_EQ(FormatGeneral(12345678, 7), "1.234568E7");
    EXPECT_EQ(FormatGeneral(0.0, 7), "0");
    EXPECT_EQ(FormatGeneral(-0.0, 7), "0");
    EXPECT_EQ(FormatGeneral(0.1, 7), "0.1");
    EXPECT_EQ(FormatGeneral(1.0 / 3.0, 7), "0.3333333");
    EXPECT_EQ(FormatGeneral(-2.0 / 3.0, 7), "-0.6666667");
    EXPECT_EQ(FormatGeneral(123.456789, 7), "123.4568");
    EXPECT_EQ(FormatGeneral(1e7, 7), "1E7");
    EXPECT_EQ(FormatGeneral(-32768, 7), "-32768");
}

TEST(GeneralFormat, RoundingDecidesTheNotation) {
    EXPECT_EQ(FormatGeneral(9999999.5, 7), "1E7");         // rounds up to eight digits
    EXPECT_EQ(FormatGeneral(0.000099999999, 7), "0.0001"); // rounds up into fixed range
    EXPECT_EQ(FormatGeneral(0.00009999999, 7), "9.999999E-5");
    EXPECT_EQ(FormatGeneral(0.125, 2), "0.13"); // a tie on the exact binary value
    EXPECT_EQ(FormatGeneral(2.675, 3), "2.67"); // 2.675 is below the tie in binary
    EXPECT_EQ(FormatGeneral(0.0001, 7), "0.0001");
    EXPECT_EQ(FormatGeneral(0.00001, 7), "1E-5");
    EXPECT_EQ(FormatGeneral(1.25e-10, 7), "1.25E-10");
    EXPECT_EQ(FormatGeneral(3.4e38, 7), "3.4E38");
    EXPECT_EQ(FormatGeneral(1234567.4, 7), "1234567");
}

TEST(GeneralFormat, FiveDigitsAsTheChannelTableShowsThem) {
    EXPECT_EQ(FormatGeneral(1, 5), "1");
    EXPECT_EQ(FormatGeneral(0, 5), "0");
    EXPECT_EQ(FormatGeneral(1234567, 5), "1.2346E6");
    EXPECT_EQ(FormatGeneral(0.00001, 5), "1E-5");
    EXPECT_EQ(FormatGeneral(12345, 5), "12345");
    EXPECT_EQ(FormatGeneral(123456, 5), "1.2346E5");
    EXPECT_EQ(FormatGeneral(static_cast<double>(0.1f), 5), "0.1");
}

TEST(GeneralFormat, AgreesWithCorrectRoundingOnManyValues) {
    // Fast and library paths must agree with printf's correctly rounded digits.
    std::uint64_t state = 88172645463325252ull;
    for (int i = 0; i < 200000; ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        const double mantissa = static_cast<double>(state % 100000000) / 1e7;
        const double v = mantissa * std::pow(10.0, static_cast<int>(state % 41) - 20) *
                         ((state & 1) != 0u ? -1 : 1);
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.6e", v);
        // Parse our output back through the library at 7 digits: equal digits, equal value.
        const std::string ours = FormatGeneral(v, 7);
        char reparsed[64];
        std::snprintf(reparsed, sizeof reparsed, "%.6e", std::strtod(ours.c_str(), nullptr));
        if (std::string(reparsed) != expected) {
            // Only an exact half may differ: printf sends it to the even neighbour, the file
            // format rounds it away from zero.
            char exact[96];
            std::snprintf(exact, sizeof exact, "%.40e", v);
            const std::string digits(exact + (v < 0 ? 1 : 0));
            ASSERT_EQ(digits.substr(8, 9), "500000000") << v << " -> " << ours;
            ASSERT_GT(std::fabs(std::strtod(ours.c_str(), nullptr)), std::fabs(v));
        }
    }
}

TEST(GeneralFormat, NonFiniteValuesHaveNames) {
    EXPECT_EQ(FormatGeneral(std::numeric_limits<double>::infinity(), 7), "INF");
    EXPECT_EQ(FormatGeneral(-std::numeric_limits<double>::infinity(), 7), "-INF");
    EXPECT_EQ(FormatGeneral(std::nan(""), 7), "NAN");
}

TEST(Cp932, CuttingNeverSplitsADoubleByteCharacter) {
    const std::string ka = "\x83\x4A"; // カ
    EXPECT_EQ(CutToBytes("abcdef", 4), "abcd");
    EXPECT_EQ(CutToBytes("ab", 4), "ab");
    EXPECT_EQ(CutToBytes("a" + ka + ka, 4), "a" + ka); // would end on a lead byte
    EXPECT_EQ(CutToBytes(ka + ka, 4), ka + ka);
    EXPECT_EQ(CutToBytes("abc\xB1\xB2", 4), "abc\xB1"); // half-width kana are single
    EXPECT_EQ(CutToBytes(std::string(15, 'x') + ka, 16), std::string(15, 'x'));
}

TEST(Cp932, ConvertsBothWaysAndMarksWhatDoesNotConvert) {
    const std::string utf8 = "計測開始 Ch.1";
    const std::string cp932 = Utf8ToCp932(utf8);
    EXPECT_EQ(cp932, "\x8C\x76\x91\xAA\x8A\x4A\x8E\x6E Ch.1");
    EXPECT_EQ(Cp932ToUtf8(cp932), utf8);
    EXPECT_EQ(Cp932ToUtf8("ok\x81"), "ok?"); // a lone lead byte at the end
    EXPECT_EQ(Utf8ToCp932("a\xF0\x9F\x98\x80"
                          "b"),
              "a?b"); // no such character in CP932
    // Exactly: every character or nothing, a '?' of the text itself included.
    EXPECT_EQ(Utf8ToCp932Exactly("〜?"), std::optional<std::string>("\x81\x60?"));
    EXPECT_EQ(Utf8ToCp932Exactly("Zürich"), std::nullopt);
}
