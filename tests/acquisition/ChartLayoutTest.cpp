#include "acquisition/ChartLayout.h"
#include "acquisition/ChartSetup.h"

#include <gtest/gtest.h>

namespace tessary {
namespace {

TEST(ChartLayout, SharesThePanelHeightByTheChannelCount) {
    ChartLayout layout;
    std::int16_t chNum = 3;
    layout.Resize(chNum, 420, 393);
    EXPECT_EQ(layout.Bounds(0), (ChartBounds{0, 0, 420, 131}));
    EXPECT_EQ(layout.Bounds(1), (ChartBounds{0, 131, 420, 131}));
    EXPECT_EQ(layout.Bounds(2), (ChartBounds{0, 262, 420, 131}));
    EXPECT_EQ(layout.Bounds(3), ChartBounds{});

    chNum = 6;
    layout.Resize(chNum, 420, 393);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(layout.Bounds(k), (ChartBounds{0, k * 65, 420, 65})) << "chart " << k + 1;
    }

    // Fewer channels: the charts beyond keep the bounds they had.
    chNum = 1;
    layout.Resize(chNum, 300, 393);
    EXPECT_EQ(layout.Bounds(0), (ChartBounds{0, 0, 300, 393}));
    EXPECT_EQ(layout.Bounds(1), (ChartBounds{0, 65, 420, 65}));
    EXPECT_EQ(layout.Bounds(3), (ChartBounds{0, 195, 420, 65}));
}

TEST(ChartLayout, AZeroChannelCountIsRaisedToOne) {
    ChartLayout layout;
    std::int16_t chNum = 0;
    layout.Resize(chNum, 200, 100);
    EXPECT_EQ(chNum, 1);
    EXPECT_EQ(layout.Bounds(0), (ChartBounds{0, 0, 200, 100}));
}

TEST(ChartLayout, ImpossibleSizesGiveNoNegativeOrOversizedCharts) {
    ChartLayout layout;
    std::int16_t chNum = -2;
    layout.Resize(chNum, 200, 100);
    EXPECT_EQ(chNum, -2);
    EXPECT_EQ(layout.Bounds(0), (ChartBounds{0, 0, 200, 100}));
    EXPECT_EQ(layout.Bounds(1), ChartBounds{});

    chNum = 2;
    layout.Resize(chNum, -5, -40);
    EXPECT_EQ(layout.Bounds(0), (ChartBounds{0, 0, 0, 0}));

    chNum = 1;
    layout.Resize(chNum, 10, 100'000);
    EXPECT_EQ(layout.Bounds(0).Height, 32767);
}

MeasurementParameters RecordWithChannels(std::int16_t chNum) {
    MeasurementParameters record;
    record.ChNum = chNum;
    for (int k = 0; k < 4; ++k) {
        record.Channel(k).Item = "Ch." + std::to_string(k + 1);
        record.Channel(k).Unit = "mV";
    }
    return record;
}

TEST(ChartSetup, TheTimeTitleGoesUnderTheLowestVisibleChart) {
    auto captions = ChartSetup::Captions(RecordWithChannels(1), "sec");
    EXPECT_TRUE(captions[0].Visible);
    EXPECT_FALSE(captions[1].Visible);
    EXPECT_EQ(captions[0].BottomTitle, "Time (sec)");
    EXPECT_EQ(captions[1].BottomTitle, "");

    captions = ChartSetup::Captions(RecordWithChannels(3), "msec");
    EXPECT_TRUE(captions[2].Visible);
    EXPECT_FALSE(captions[3].Visible);
    EXPECT_EQ(captions[0].BottomTitle, "");
    EXPECT_EQ(captions[1].BottomTitle, "");
    EXPECT_EQ(captions[2].BottomTitle, "Time (msec)");
    EXPECT_EQ(captions[3].BottomTitle, "");

    captions = ChartSetup::Captions(RecordWithChannels(6), "usec");
    for (const ChartCaptions& c : captions) {
        EXPECT_TRUE(c.Visible);
        EXPECT_EQ(c.BottomTitle, "");
    }

    captions = ChartSetup::Captions(RecordWithChannels(0), "sec");
    EXPECT_TRUE(captions[0].Visible);
    EXPECT_FALSE(captions[1].Visible);
    EXPECT_EQ(captions[0].BottomTitle, "");
}

TEST(ChartSetup, AllFourChartsAreTitledFromTheChannelTableInUtf8) {
    MeasurementParameters record = RecordWithChannels(1);
    record.Channel(0).Item = "\x89\xb7\x93x"; // 温度 in CP932
    record.Channel(0).Unit = "\x81\x8e";      // ℃
    record.Channel(3).Item = "Pressure";
    record.Channel(3).Unit = "kPa";
    const auto captions = ChartSetup::Captions(record, "sec");
    EXPECT_EQ(captions[0].Title, "温度");
    EXPECT_EQ(captions[0].LeftTitle, "℃");
    EXPECT_EQ(captions[1].Title, "Ch.2");
    EXPECT_EQ(captions[1].LeftTitle, "mV");
    EXPECT_EQ(captions[3].Title, "Pressure");
    EXPECT_EQ(captions[3].LeftTitle, "kPa");
}

} // namespace
} // namespace tessary
