#include "SdfBytes.h"

#include "data/Errors.h"
#include "data/TFrmSDFdata.h"
#include "upgrade/OldFormatUpgrade.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace tessary;
using sdfbytes::Recording;
namespace fs = std::filesystem;

namespace {

const char* const Title = "ただ今、データ形式の更新中．．．．";

// Answers every question with Yes and counts what was shown.
class YesDialogs : public Dialogs {
public:
    MessageAnswer Show(MessageKind, const std::string&, MessageButtons buttons) override {
        ++shown;
        return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    }
    int shown = 0;
};

// Records the reports; presses Cancel at report number `cancelAt` (0-based) and runs
// `onReport` at each report, as a user acting while the dialog processes its messages.
class ScriptedProgress : public ProgressSink {
public:
    void StartProgress(const std::string& title) override {
        titles.push_back(title);
        visible = true;
        cancel = false;
    }
    void SetProgressPercent(std::int32_t percent) override {
        percents.push_back(percent);
        if (onReport) {
            onReport(static_cast<int>(percents.size()) - 1);
        }
        if (static_cast<int>(percents.size()) - 1 == cancelAt) {
            cancel = true;
            visible = false;
        }
    }
    bool CancelRequested() const override { return cancel; }
    void Hide() override { visible = false; }

    int cancelAt = -1;
    std::function<void(int)> onReport;
    std::vector<std::string> titles;
    std::vector<int> percents;
    bool visible = false;
    bool cancel = false;
};

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Values of one burst counting up from `first`, in file order.
std::vector<std::int16_t> Counting(int n, int first) {
    std::vector<std::int16_t> values;
    for (int i = 0; i < n; ++i) {
        values.push_back(static_cast<std::int16_t>(first + i));
    }
    return values;
}

// The bursts as they must come out: 32767 marked missing with -32768, all else kept.
std::vector<std::vector<std::int16_t>> Marked(std::vector<std::vector<std::int16_t>> bursts) {
    for (auto& burst : bursts) {
        for (auto& v : burst) {
            v = v == 32767 ? static_cast<std::int16_t>(-32768) : v;
        }
    }
    return bursts;
}

class OldFormatUpgradeTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr ? tmp : "/tmp") + "/upgrade-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        file = folder / "run.sdf";
        temporary = folder / "Qr~temp1234!";
        holder.SetUpgrader(&upgrade);
        holder.Record().TargetFileName = "/data/current.sdf";
    }
    void TearDown() override { fs::remove_all(folder); }

    // Three channels of 100 data: 300 values, 3 sectors of 768 bytes per old burst, 600
    // bytes per new one. Missing samples in both old and new marking.
    static Recording ThreeChannels() {
        Recording r;
        r.Memo = "three channels";
        r.ChNum = 3;
        r.DataNum = 100;
        r.Iteration = 3;
        r.SInterval = 10;
        r.SITUnit = 1;
        r.BInterval = 5;
        r.BITUnit = 2;
        r.Rows = {
            {"Ch.1", "mV", 1.0f, 0.0f}, {"Ch.2", "V", 0.5f, -2.0f}, {"Temp", "degC", 2.0f, 1.5f}};
        for (int k = 0; k < 3; ++k) {
            r.Bursts.push_back(Counting(300, k * 1000 - 150));
        }
        r.Bursts[0][7] = 32767;
        r.Bursts[1][0] = 32767;
        r.Bursts[1][1] = -32768;
        r.Bursts[2][299] = 32767;
        r.Bursts[2][298] = 32766;
        return r;
    }

    YesDialogs dialogs;
    TFrmSDFdata holder{dialogs};
    ScriptedProgress progress;
    OldFormatUpgrade upgrade{progress};
    fs::path folder;
    fs::path file;
    fs::path temporary;
};

TEST_F(OldFormatUpgradeTest, Layout2BurstsLoseTheirPaddingAndTheOldMissingMark) {
    const Recording r = ThreeChannels();
    WriteAll(file, sdfbytes::OldFile(r, 2));
    ASSERT_EQ(fs::file_size(file), 512u + 3 * 768);
    progress.onReport = [&](int) {
        EXPECT_TRUE(fs::exists(temporary));
        EXPECT_EQ(holder.Record().TargetFileName, temporary.string());
    };

    ASSERT_TRUE(holder.ReadSdfHeader(file.string()));

    const std::string expected = sdfbytes::CurrentFile(r, Marked(r.Bursts));
    EXPECT_EQ(expected.size(), 512u + 3 * 600);
    EXPECT_EQ(ReadAll(file), expected);
    EXPECT_FALSE(fs::exists(temporary));
    EXPECT_EQ(progress.titles, std::vector<std::string>{Title});
    EXPECT_EQ(progress.percents, (std::vector<int>{0, 33, 67}));
    EXPECT_FALSE(progress.visible);

    const MeasurementParameters& record = holder.Record();
    EXPECT_EQ(record.TargetFileName, "/data/current.sdf");
    EXPECT_EQ(record.BlockBytes, 600);
    EXPECT_EQ(record.HeaderBlocks, 2);
    // The buffers hold the last burst copied, channel by channel.
    EXPECT_EQ(record.Samples[0][0], 1850);
    EXPECT_EQ(record.Samples[2][0], 1852);
    EXPECT_EQ(record.Samples[1][99], 32766);
    EXPECT_EQ(record.Samples[2][99], -32768);
}

TEST_F(OldFormatUpgradeTest, Layout3WithPerBurstValuesAndNineRows) {
    Recording r;
    r.ChNum = 7;
    r.BurstValueNum = 2; // nine rows: a header of three sectors
    r.DataNum = 64;      // 450 values: four sectors per old burst
    r.Iteration = 2;
    r.SInterval = 1;
    r.SITUnit = 2;
    r.BInterval = 2;
    r.BITUnit = 3;
    for (int i = 0; i < 9; ++i) {
        r.Rows.push_back({"Item" + std::to_string(i), "u", 1.0f + i, -0.25f * i});
    }
    r.Bursts = {Counting(450, -3000), Counting(450, 20000)};
    r.Bursts[0][449] = 32767; // a per-burst value marked missing
    r.Bursts[1][448] = -32768;
    WriteAll(file, sdfbytes::OldFile(r, 3, '\0'));
    ASSERT_EQ(fs::file_size(file), 768u + 2 * 1024);

    ASSERT_TRUE(holder.ReadSdfHeader(file.string()));

    EXPECT_EQ(ReadAll(file), sdfbytes::CurrentFile(r, Marked(r.Bursts)));
    EXPECT_EQ(holder.Record().BurstValues, (std::vector<std::int16_t>{-32768, 20449}));
    EXPECT_EQ(progress.percents, (std::vector<int>{0, 50}));
}

TEST_F(OldFormatUpgradeTest, Layout1IntervalsInMillisecondsGetUnits) {
    Recording r = ThreeChannels();
    r.SInterval = 1500;
    r.BInterval = 3600000;
    WriteAll(file, sdfbytes::OldFile(r, 1));

    ASSERT_TRUE(holder.ReadSdfHeader(file.string()));

    Recording converted = r;
    converted.SInterval = 1500;
    converted.SITUnit = 1; // msec
    converted.BInterval = 1;
    converted.BITUnit = 4; // hr
    EXPECT_EQ(ReadAll(file), sdfbytes::CurrentFile(converted, Marked(r.Bursts)));
    EXPECT_EQ(holder.Record().SITUnit, 1);
    EXPECT_EQ(holder.Record().BITUnit, 4);
}

TEST_F(OldFormatUpgradeTest, PercentagesRoundHalvesToEven) {
    Recording r;
    r.Iteration = 8;
    r.DataNum = 3;
    r.Rows = {{"Ch.1", "mV"}};
    for (int k = 0; k < 8; ++k) {
        r.Bursts.push_back(Counting(3, k));
    }
    WriteAll(file, sdfbytes::OldFile(r, 2));

    ASSERT_TRUE(holder.ReadSdfHeader(file.string()));

    // 12.5, 37.5, 62.5 and 87.5 fall to their even neighbours.
    EXPECT_EQ(progress.percents, (std::vector<int>{0, 12, 25, 38, 50, 62, 75, 88}));
    EXPECT_EQ(ReadAll(file), sdfbytes::CurrentFile(r, r.Bursts));
}

TEST_F(OldFormatUpgradeTest, ManyBurstsAcrossReadGroupsAndAnUnpaddedLastBurst) {
    // About 10 MB of old bursts: more than one group of reads, and the last burst ends the
    // file without its padding.
    Recording r;
    r.ChNum = 2;
    r.DataNum = 250; // 500 values: 1024 bytes per old burst, 1000 per new one
    r.Iteration = 10000;
    r.Rows = {{"A", "mV"}, {"B", "mV"}};
    for (int k = 0; k < r.Iteration; ++k) {
        std::vector<std::int16_t> burst(500);
        for (int i = 0; i < 500; ++i) {
            burst[static_cast<std::size_t>(i)] =
                static_cast<std::int16_t>(((k * 7919 + i * 104729) % 65536) - 32768);
        }
        burst[static_cast<std::size_t>(k % 500)] = 32767;
        r.Bursts.push_back(std::move(burst));
    }
    WriteAll(file, sdfbytes::OldFile(r, 2, ' ', false));

    ASSERT_TRUE(holder.ReadSdfHeader(file.string()));

    EXPECT_TRUE(ReadAll(file) == sdfbytes::CurrentFile(r, Marked(r.Bursts)));
    ASSERT_EQ(progress.percents.size(), 10000u);
    EXPECT_EQ(progress.percents[5000], 50);
    EXPECT_EQ(progress.percents.back(), 100); // 9999 of 10000 is 99.99 %
    EXPECT_EQ(holder.Record().Samples[0][0], r.Bursts.back()[0]);
    EXPECT_EQ(holder.Record().Samples[1][249], -32768); // 32767 in the old file
}

TEST_F(OldFormatUpgradeTest, LargeBurstsAreCopiedWhole) {
    // One burst of 4.5 million values, larger than any read group.
    Recording r;
    r.DataNum = 4500000;
    r.Iteration = 2;
    r.Rows = {{"Ch.1", "mV"}};
    r.Bursts = {Counting(4500000, -20000), Counting(4500000, 7)};
    r.Bursts[1][4499999] = 32767;
    WriteAll(file, sdfbytes::OldFile(r, 2));

    ASSERT_TRUE(holder.ReadSdfHeader(file.string()));

    EXPECT_TRUE(ReadAll(file) == sdfbytes::CurrentFile(r, Marked(r.Bursts)));
}

TEST_F(OldFormatUpgradeTest, CancelAtTheFirstReportLeavesEverythingAsItWas) {
    const Recording r = ThreeChannels();
    const std::string old = sdfbytes::OldFile(r, 2);
    WriteAll(file, old);
    progress.cancelAt = 0;

    EXPECT_FALSE(holder.ReadSdfHeader(file.string()));

    EXPECT_EQ(progress.percents, std::vector<int>{0});
    EXPECT_EQ(ReadAll(file), old);
    EXPECT_FALSE(fs::exists(temporary));
    EXPECT_FALSE(progress.visible);
    EXPECT_EQ(holder.Record().TargetFileName, "/data/current.sdf");
}

TEST_F(OldFormatUpgradeTest, CancelBeforeTheLastBurstKeepsTheOldFile) {
    const Recording r = ThreeChannels();
    const std::string old = sdfbytes::OldFile(r, 3);
    WriteAll(file, old);
    progress.cancelAt = 2;

    EXPECT_FALSE(holder.ReadSdfHeader(file.string()));

    EXPECT_EQ(progress.percents, (std::vector<int>{0, 33, 67}));
    EXPECT_EQ(ReadAll(file), old);
    EXPECT_FALSE(fs::exists(temporary));
    // The buffers hold the second burst, the last one copied.
    EXPECT_EQ(holder.Record().Samples[0][0], -32768);
    EXPECT_EQ(holder.Record().Samples[1][0], -32768);
    EXPECT_EQ(holder.Record().Samples[2][0], 852);
}

TEST_F(OldFormatUpgradeTest, StartingAgainAfterACancelConvertsTheFile) {
    const Recording r = ThreeChannels();
    WriteAll(file, sdfbytes::OldFile(r, 2));
    progress.cancelAt = 1;
    ASSERT_FALSE(holder.ReadSdfHeader(file.string()));

    progress.cancelAt = -1;
    ASSERT_TRUE(holder.ReadSdfHeader(file.string()));
    EXPECT_EQ(ReadAll(file), sdfbytes::CurrentFile(r, Marked(r.Bursts)));
}

TEST_F(OldFormatUpgradeTest, ALeftoverTemporaryFileIsReplacedNotWrittenOver) {
    const Recording r = ThreeChannels();
    WriteAll(file, sdfbytes::OldFile(r, 2));
    WriteAll(temporary, std::string(100000, '\xEE'));

    ASSERT_TRUE(holder.ReadSdfHeader(file.string()));

    EXPECT_EQ(ReadAll(file), sdfbytes::CurrentFile(r, Marked(r.Bursts)));
    EXPECT_FALSE(fs::exists(temporary));
}

TEST_F(OldFormatUpgradeTest, ALeftoverSymbolicLinkIsRemovedWithoutTouchingItsTarget) {
    const Recording r = ThreeChannels();
    WriteAll(file, sdfbytes::OldFile(r, 2));
    const fs::path elsewhere = folder / "precious.bin";
    WriteAll(elsewhere, "keep me");
    fs::create_symlink(elsewhere, temporary);

    ASSERT_TRUE(holder.ReadSdfHeader(file.string()));

    EXPECT_EQ(ReadAll(elsewhere), "keep me");
    EXPECT_EQ(ReadAll(file), sdfbytes::CurrentFile(r, Marked(r.Bursts)));
}

TEST_F(OldFormatUpgradeTest, AFileShorterThanItsHeaderPromisesIsAnErrorNamingIt) {
    const Recording r = ThreeChannels();
    const std::string whole = sdfbytes::OldFile(r, 2);
    // Cut inside the values of the last burst; then at the end of the header.
    for (const std::size_t length : {whole.size() - 768 + 599, std::size_t{512}}) {
        const std::string old = whole.substr(0, length);
        WriteAll(file, old);
        try {
            holder.ReadSdfHeader(file.string());
            ADD_FAILURE() << "no error for a file of " << length << " bytes";
        } catch (const InOutError& e) {
            EXPECT_NE(std::string(e.what()).find(file.string()), std::string::npos) << e.what();
        }
        EXPECT_EQ(ReadAll(file), old);
        EXPECT_FALSE(fs::exists(temporary));
        EXPECT_FALSE(progress.visible);
        EXPECT_EQ(holder.Record().TargetFileName, "/data/current.sdf");
    }
}

TEST_F(OldFormatUpgradeTest, ATemporaryPathThatCannotBeWrittenIsAnErrorNamingIt) {
    const Recording r = ThreeChannels();
    const std::string old = sdfbytes::OldFile(r, 2);
    WriteAll(file, old);
    fs::create_directory(temporary);
    WriteAll(temporary / "inside", "x");

    try {
        holder.ReadSdfHeader(file.string());
        ADD_FAILURE() << "no error";
    } catch (const InOutError& e) {
        EXPECT_NE(std::string(e.what()).find(temporary.string()), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadAll(file), old);
    EXPECT_TRUE(fs::is_directory(temporary));
    EXPECT_EQ(ReadAll(temporary / "inside"), "x");
    EXPECT_FALSE(progress.visible);
    EXPECT_EQ(holder.Record().TargetFileName, "/data/current.sdf");
}

TEST_F(OldFormatUpgradeTest, AFailedReplacementLeavesTheOldFileAndIsReported) {
    const Recording r = ThreeChannels();
    const std::string old = sdfbytes::OldFile(r, 2);
    WriteAll(file, old);
    // An immutable file cannot be renamed over, not even by root.
    const auto setImmutable = [&](bool on) {
        const int fd = ::open(file.c_str(), O_RDONLY);
        int flags = 0;
        bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        if (fd >= 0) {
            ::close(fd);
        }
        return done;
    };
    if (!setImmutable(true)) {
        GTEST_SKIP() << "this file system or user cannot make a file immutable";
    }

    bool reported = false;
    try {
        holder.ReadSdfHeader(file.string());
    } catch (const InOutError& e) {
        reported = std::string(e.what()).find(file.string()) != std::string::npos;
    }
    setImmutable(false);

    EXPECT_TRUE(reported);
    EXPECT_EQ(ReadAll(file), old);
    EXPECT_FALSE(fs::exists(temporary));
    EXPECT_EQ(holder.Record().TargetFileName, "/data/current.sdf");
}

TEST_F(OldFormatUpgradeTest, AFileWithTheTemporaryNameIsNotConvertedOverItself) {
    const Recording r = ThreeChannels();
    const std::string old = sdfbytes::OldFile(r, 2);
    WriteAll(temporary, old);

    EXPECT_THROW(holder.ReadSdfHeader(temporary.string()), InOutError);
    EXPECT_EQ(ReadAll(temporary), old);
}

TEST_F(OldFormatUpgradeTest, AHeaderWithoutSamplesIsRefusedBeforeAnythingIsReplaced) {
    Recording r = ThreeChannels();
    r.DataNum = 0;
    r.Bursts = {{}, {}, {}};
    const std::string old = sdfbytes::OldFile(r, 2);
    WriteAll(file, old);

    EXPECT_THROW(holder.ReadSdfHeader(file.string()), InOutError);
    EXPECT_EQ(ReadAll(file), old);
    EXPECT_FALSE(fs::exists(temporary));
}

} // namespace
