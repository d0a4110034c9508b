// SPDX-License-Identifier: GPL-3.0-or-later
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

class YesDialogs : public Dialogs {
public:
    MessageAnswer Show(MessageKind, const std::string&, MessageButtons) override {
        return MessageAnswer::Yes;
    }
};

// Records the reports; the user presses Cancel at report `cancelAt` (0-based), and
// `onReport` looks around while the dialog processes its messages.
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
            onReport();
        }
        if (static_cast<int>(percents.size()) - 1 == cancelAt) {
            cancel = true;
            visible = false;
        }
    }
    bool CancelRequested() const override { return cancel; }
    void Hide() override { visible = false; }

    int cancelAt = -1;
    std::function<void()> onReport;
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

// Three channels of 100 data: 300 values, 3 sectors (768 bytes) per old burst, 600 bytes
// per new one.
Recording ThreeChannels() {
    Recording r;
    r.ChNum = 3;
    r.DataNum = 100;
    r.Iteration = 3;
    r.BInterval = 5;
    r.BITUnit = 2;
    r.Rows = {{"Ch.1", "mV", 1.0f, 0.0f}, {"Ch.2", "V", 0.5f, -2.0f}, {"Temp", "degC", 2.0f, 1.5f}};
    for (int k = 0; k < 3; ++k) {
        r.Bursts.push_back(Counting(300, k * 1000 - 150));
    }
    r.Bursts[0][7] = 32767;
    r.Bursts[1][0] = 32767;
    r.Bursts[1][1] = -32768;
    r.Bursts[2][298] = 32766;
    r.Bursts[2][299] = 32767;
    return r;
}

class OldFormatUpgradeTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr ? tmp : "/tmp") + "/upgrade-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        file = folder / "run.sdf";
        holder.SetUpgrader(&upgrade);
        holder.Record().TargetFileName = "/data/current.sdf";
    }
    void TearDown() override { fs::remove_all(folder); }

    // The files of the folder that are not `file` or `kept`.
    std::vector<fs::path> Others(const fs::path& kept = {}) const {
        std::vector<fs::path> others;
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.path() != file && entry.path() != kept) {
                others.push_back(entry.path());
            }
        }
        return others;
    }

    // Converts `old` and expects `expected` under the same name, nothing else left behind.
    void ExpectConverted(const std::string& old, const std::string& expected,
                         const fs::path& kept = {}) {
        WriteAll(file, old);
        ASSERT_TRUE(holder.ReadSdfHeader(file.string()));
        EXPECT_TRUE(ReadAll(file) == expected);
        EXPECT_EQ(Others(kept), std::vector<fs::path>{});
        EXPECT_FALSE(progress.visible);
        EXPECT_EQ(holder.Record().TargetFileName, "/data/current.sdf");
    }

    // After a cancel or a failure: the old file as it was, no temporary file, the progress
    // hidden and the block writers' target back.
    void ExpectUntouched(const std::string& old, const fs::path& kept = {}) {
        EXPECT_TRUE(ReadAll(file) == old);
        EXPECT_EQ(Others(kept), std::vector<fs::path>{});
        EXPECT_FALSE(progress.visible);
        EXPECT_EQ(holder.Record().TargetFileName, "/data/current.sdf");
    }

    // Expects an InOutError whose message names `named`.
    void ExpectInOutError(const fs::path& named) {
        try {
            holder.ReadSdfHeader(file.string());
            ADD_FAILURE() << "no error";
        } catch (const InOutError& e) {
            EXPECT_NE(std::string(e.what()).find(named.string()), std::string::npos) << e.what();
        }
    }

    YesDialogs dialogs;
    TFrmSDFdata holder{dialogs};
    ScriptedProgress progress;
    OldFormatUpgrade upgrade{progress};
    fs::path folder;
    fs::path file;
};

// Sets or clears the immutable flag, which keeps even root from changing a file or a folder;
// false where the file system or the user cannot.
bool SetImmutable(const fs::path& path, bool on) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    int flags = 0;
    bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    if (fd >= 0) {
        ::close(fd);
    }
    return done;
}

TEST_F(OldFormatUpgradeTest, Layout2BurstsLoseTheirPaddingAndTheOldMissingMark) {
    const Recording r = ThreeChannels();
    const std::string old = sdfbytes::OldFile(r, 2);
    ASSERT_EQ(old.size(), 512u + 3 * 768);
    progress.onReport = [&] {
        // The copy is a file of its own beside the old one, named after it.
        const fs::path temporary = holder.Record().TargetFileName;
        EXPECT_EQ(temporary.parent_path(), folder);
        EXPECT_EQ(temporary.filename().string().rfind(".run.sdf.", 0), 0u) << temporary;
        EXPECT_TRUE(fs::is_regular_file(temporary));
    };

    const std::string expected = sdfbytes::CurrentFile(r, Marked(r.Bursts));
    ASSERT_EQ(expected.size(), 512u + 3 * 600);
    ExpectConverted(old, expected);

    EXPECT_EQ(progress.titles, std::vector<std::string>{"ただ今、データ形式の更新中．．．．"});
    EXPECT_EQ(progress.percents, (std::vector<int>{0, 33, 67}));
    const MeasurementParameters& record = holder.Record();
    EXPECT_EQ(record.BlockBytes, 600);
    EXPECT_EQ(record.HeaderBlocks, 2);
    // The buffers hold the last burst, channel by channel.
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
    for (int i = 0; i < 9; ++i) {
        r.Rows.push_back({"Item" + std::to_string(i), "u", 1.0f + i, -0.25f * i});
    }
    r.Bursts = {Counting(450, -3000), Counting(450, 20000)};
    r.Bursts[0][449] = 32767;
    r.Bursts[1][448] = -32768;

    ExpectConverted(sdfbytes::OldFile(r, 3, '\0'), sdfbytes::CurrentFile(r, Marked(r.Bursts)));
    EXPECT_EQ(holder.Record().BurstValues, (std::vector<std::int16_t>{-32768, 20449}));
}

TEST_F(OldFormatUpgradeTest, Layout1IntervalsInMillisecondsGetUnits) {
    Recording r = ThreeChannels();
    r.SInterval = 1500;
    r.BInterval = 3600000;
    Recording converted = r;
    converted.SITUnit = 1; // 1500 msec
    converted.BInterval = 1;
    converted.BITUnit = 4; // 1 hr

    ExpectConverted(sdfbytes::OldFile(r, 1), sdfbytes::CurrentFile(converted, Marked(r.Bursts)));
}

TEST_F(OldFormatUpgradeTest, PercentagesRoundHalvesToEven) {
    Recording r;
    r.Iteration = 8;
    r.DataNum = 3;
    r.Rows = {{"Ch.1", "mV"}};
    for (int k = 0; k < 8; ++k) {
        r.Bursts.push_back(Counting(3, k));
    }
    ExpectConverted(sdfbytes::OldFile(r, 2), sdfbytes::CurrentFile(r, r.Bursts));
    EXPECT_EQ(progress.percents, (std::vector<int>{0, 12, 25, 38, 50, 62, 75, 88}));
}

TEST_F(OldFormatUpgradeTest, ManyBurstsAndAnUnpaddedLastBurst) {
    Recording r; // 1024 bytes per old burst, 1000 per new one, 10 MB in all
    r.ChNum = 2;
    r.DataNum = 250;
    r.Iteration = 10000;
    r.Rows = {{"A", "mV"}, {"B", "mV"}};
    for (int k = 0; k < r.Iteration; ++k) {
        r.Bursts.push_back(Counting(500, (k * 7919) % 65536 - 32768));
        r.Bursts.back()[static_cast<std::size_t>(k % 500)] = 32767;
    }
    ExpectConverted(sdfbytes::OldFile(r, 2, ' ', false),
                    sdfbytes::CurrentFile(r, Marked(r.Bursts)));
    EXPECT_EQ(progress.percents.size(), 10000u);
    EXPECT_EQ(progress.percents.back(), 100); // 99.99 %
}

TEST_F(OldFormatUpgradeTest, BurstsLargerThanAnyReadAreCopiedWhole) {
    Recording r;
    r.DataNum = 4500000;
    r.Iteration = 2;
    r.Rows = {{"Ch.1", "mV"}};
    r.Bursts = {Counting(4500000, -20000), Counting(4500000, 7)};
    r.Bursts[1][4499999] = 32767;
    ExpectConverted(sdfbytes::OldFile(r, 2), sdfbytes::CurrentFile(r, Marked(r.Bursts)));
}

TEST_F(OldFormatUpgradeTest, WhatTheWindowDoesToTheRecordMeanwhileChangesNothingCopied) {
    // The progress dialog lets the window handle events: there the operator loads another
    // file's parameters (one burst of one value) into the record after the first report.
    Recording r = ThreeChannels();
    r.Iteration = 10;
    r.Bursts.resize(10, Counting(300, 5));
    progress.onReport = [&] {
        MeasurementParameters& record = holder.Record();
        record.Iteration = 1;
        record.DataNum = 1;
        record.ChNum = 1;
        record.BlockBytes = 2;
        record.HeaderBlocks = 2;
    };
    ExpectConverted(sdfbytes::OldFile(r, 2), sdfbytes::CurrentFile(r, Marked(r.Bursts)));
    EXPECT_EQ(progress.percents.size(), 10u);
}

TEST_F(OldFormatUpgradeTest, OtherFilesOfTheFolderAreNeitherUsedNorTouched) {
    const Recording r = ThreeChannels();
    // The fixed temporary name of earlier versions is now a file like any other.
    const fs::path older = folder / "Qr~temp1234!";
    WriteAll(older, std::string(100000, '\xEE'));
    ExpectConverted(sdfbytes::OldFile(r, 2), sdfbytes::CurrentFile(r, Marked(r.Bursts)), older);
    EXPECT_EQ(ReadAll(older), std::string(100000, '\xEE'));
}

TEST_F(OldFormatUpgradeTest, TheConvertedFileKeepsThePermissionBitsOfTheOld) {
    const Recording r = ThreeChannels();
    WriteAll(file, sdfbytes::OldFile(r, 2));
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(holder.ReadSdfHeader(file.string()));
    EXPECT_EQ(fs::status(file).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(OldFormatUpgradeTest, CancelAtAReportKeepsTheOldFile) {
    const std::string old = sdfbytes::OldFile(ThreeChannels(), 2);
    for (const int at : {0, 2}) {
        WriteAll(file, old);
        progress.percents.clear();
        progress.cancelAt = at;
        EXPECT_FALSE(holder.ReadSdfHeader(file.string()));
        EXPECT_EQ(progress.percents.size(), static_cast<std::size_t>(at + 1));
        ExpectUntouched(old);
    }
    // The buffers hold the second burst, the last one copied.
    EXPECT_EQ(holder.Record().Samples[0][0], -32768);
    EXPECT_EQ(holder.Record().Samples[2][0], 852);
}

TEST_F(OldFormatUpgradeTest, AFileShorterThanItsHeaderPromisesIsAnErrorNamingIt) {
    const std::string whole = sdfbytes::OldFile(ThreeChannels(), 2);
    // Cut inside the values of the last burst, and right after the header.
    for (const std::size_t length : {whole.size() - 768 + 599, std::size_t{512}}) {
        const std::string old = whole.substr(0, length);
        WriteAll(file, old);
        ExpectInOutError(file);
        ExpectUntouched(old);
    }
}

TEST_F(OldFormatUpgradeTest, AFolderWhereNoTemporaryFileCanBeMadeIsAnErrorNamingIt) {
    const std::string old = sdfbytes::OldFile(ThreeChannels(), 2);
    WriteAll(file, old);
    if (!SetImmutable(folder, true)) {
        GTEST_SKIP() << "this file system or user cannot make a folder immutable";
    }
    try {
        holder.ReadSdfHeader(file.string());
        ADD_FAILURE() << "no error";
    } catch (const InOutError& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find(file.string()), std::string::npos) << message;
        EXPECT_NE(message.find("Operation not permitted"), std::string::npos) << message;
    }
    SetImmutable(folder, false);
    ExpectUntouched(old);
}

TEST_F(OldFormatUpgradeTest, AFailedReplacementLeavesTheOldFileAndIsReported) {
    const std::string old = sdfbytes::OldFile(ThreeChannels(), 2);
    WriteAll(file, old);
    // An immutable file cannot be renamed over, not even by root.
    if (!SetImmutable(file, true)) {
        GTEST_SKIP() << "this file system or user cannot make a file immutable";
    }
    ExpectInOutError(file);
    SetImmutable(file, false);
    ExpectUntouched(old);
}

TEST_F(OldFormatUpgradeTest, HostileHeadersAreRefusedBeforeAnythingIsReplaced) {
    Recording r = ThreeChannels();
    r.DataNum = 0; // bursts without samples cannot be written
    const std::string empty = sdfbytes::OldFile(r, 2);
    WriteAll(file, empty);
    EXPECT_THROW(holder.ReadSdfHeader(file.string()), InOutError);
    ExpectUntouched(empty);

    r.ChNum = 1;
    r.DataNum = 0x40000000; // a block of 2 GiB
    r.Rows.resize(1);
    const std::string huge = sdfbytes::OldFile(r, 2);
    WriteAll(file, huge);
    EXPECT_THROW(holder.ReadSdfHeader(file.string()), RangeError);
    ExpectUntouched(huge);
}

} // namespace
