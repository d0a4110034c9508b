// SPDX-License-Identifier: GPL-3.0-or-later
#include "DataFileTesting.h"

#include "data/DateTime.h"
#include "data/Errors.h"
#include "data/TFrmSDFdata.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace tessary;
using namespace tessary::testing;

namespace {

constexpr int Steps = 512;
constexpr int Bursts = 5;

// Sample of a channel at a time step in burst k, as the simulated run records it.
std::int16_t Pattern(int k, int c, int step) {
    return static_cast<std::int16_t>((k + 1) * 5000 + c * 600 + step);
}

struct StoppedRecordingTest : ::testing::TestWithParam<int> {
    ScratchFolder folder;
    ScriptedDialogs dialogs;
    TFrmSDFdata holder{dialogs};
    MeasurementParameters& r = holder.Record();
    bool tsd = GetParam() == FileTypeTsd;
    std::string path = folder.File(tsd ? "ADdata.tsd" : "ADdata.sdf");
    std::string temporary = folder.File("ADdata.$$$");

    void SetUp() override {
        r.Memo = "run";
        r.ChNum = 2;
        r.BurstValueNum = 0;
        r.DataNum = Steps;
        r.SInterval = 1;
        r.SITUnit = UnitMsec;
        r.Iteration = Bursts;
        r.BInterval = 10;
        r.BITUnit = UnitSec;
        r.StartTime = EncodeDateTime({2024, 5, 6, 7, 8, 9, 123});
        r.Channels[0] = {"Ch.1", "mV", 1.0f, 0.0f};
        r.Channels[1] = {"Ch.2", "mV", 1.0f, 0.0f};
        r.AllocateSampleBuffers();
        r.TargetFileName = path;
        ASSERT_TRUE(tsd ? holder.WriteTsdHeader(path) : holder.WriteSdfHeader(path));
    }

    // Records `complete` bursts, then the first `scans` steps of the next one.
    void Record(int complete, int scans) {
        for (int k = 0; k <= complete; ++k) {
            const int steps = k < complete ? Steps : scans;
            for (int c = 0; c < 2; ++c) {
                for (int s = 0; s < steps; ++s) {
                    r.Samples[static_cast<std::size_t>(c)][static_cast<std::size_t>(s)] =
                        Pattern(k, c, s);
                }
            }
            if (k < complete) {
                ASSERT_TRUE(tsd ? holder.WriteTsdBlock(k) : holder.WriteSdfBlock(k));
            }
        }
    }

    std::int32_t Stop(bool inBurst, int scansDone, int burstNumber) {
        return holder.FinishStoppedRecording({inBurst, scansDone, burstNumber, GetParam(), path});
    }

    // The whole file as the layouts spell it: header with `iteration`, then `blocks` blocks,
    // the last of which holds only `lastScans` measured steps.
    std::string Expected(int iteration, int blocks, int lastScans) const {
        std::string out;
        if (tsd) {
            out = "Time Series Data Text Format Ver.2\r\nrun\r\n2024/05/06 07:08:09 123\r\n"
                  "1 msec\r\n" +
                  std::to_string(iteration) +
                  "\r\n10 sec\r\n2,0\r\n512\r\n1,1\r\n0,0\r\nCh.1,Ch.2\r\nmV,mV\r\n";
        } else {
            MeasurementParameters header = r;
            header.Iteration = static_cast<std::int16_t>(iteration);
            out = FixedHeader(header) + Row(r.Channels[0]) + Row(r.Channels[1]) +
                  std::string(192, ' ');
        }
        for (int k = 0; k < blocks; ++k) {
            const int measured = k == blocks - 1 ? lastScans : Steps;
            if (tsd) {
                out += "No." + std::to_string(k + 1) + "\r\n";
            }
            for (int s = 0; s < Steps; ++s) {
                const bool have = s < measured;
                if (tsd) {
                    out += have ? std::to_string(Pattern(k, 0, s)) + "," +
                                      std::to_string(Pattern(k, 1, s)) + "\r\n"
                                : "=,=\r\n";
                } else {
                    out += I16(have ? Pattern(k, 0, s) : ErrorValue);
                    out += I16(have ? Pattern(k, 1, s) : ErrorValue);
                }
            }
        }
        return out;
    }

    void ExpectNoTemporary() const {
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
            EXPECT_NE(entry.path().extension(), ".$$$") << entry.path();
        }
    }
};

} // namespace

// A header of 0 bursts would read as a run until Stop: a file without a block keeps the
// planned count, and every reader finds no complete burst in it.
TEST_P(StoppedRecordingTest, StopBeforeTheFirstBurstKeepsThePlannedCount) {
    Stop(false, 0, 0);
    EXPECT_EQ(r.Iteration, Bursts);
    EXPECT_EQ(ReadAll(path), Expected(Bursts, 0, 0));
    ExpectNoTemporary();
}

TEST_P(StoppedRecordingTest, StopBetweenBurstsCutsTheCountToTheBlocksWritten) {
    Record(2, 0);
    Stop(false, 0, 2);
    EXPECT_EQ(r.Iteration, 2);
    const std::string file = ReadAll(path);
    if (!tsd) {
        EXPECT_EQ(file.size(), 512u + 2 * 2048);
    }
    EXPECT_EQ(file, Expected(2, 2, Steps));
    ExpectNoTemporary();
}

TEST_P(StoppedRecordingTest, StopInsideABurstMarksTheMissingSteps) {
    Record(2, 100);
    Stop(true, 100, 3);
    EXPECT_EQ(r.Iteration, 3);
    EXPECT_EQ(ReadAll(path), Expected(3, 3, 100));
    EXPECT_EQ(r.Samples[1][99], Pattern(2, 1, 99));
    EXPECT_EQ(r.Samples[1][100], ErrorValue);
    ExpectNoTemporary();
}

TEST_P(StoppedRecordingTest, StopInTheLastBurstKeepsTheHeader) {
    Record(4, 7);
    Stop(true, 7, 5);
    EXPECT_EQ(r.Iteration, Bursts);
    EXPECT_EQ(ReadAll(path), Expected(Bursts, Bursts, 7));
    ExpectNoTemporary();
}

// A run without a burst count has 0 in its header; stopped, it states the blocks it holds.
TEST_P(StoppedRecordingTest, AHeaderWithoutACountStatesTheBlocksOnceStopped) {
    r.Iteration = 0;
    ASSERT_TRUE(tsd ? holder.WriteTsdHeader(path) : holder.WriteSdfHeader(path));
    Record(2, 100);
    EXPECT_EQ(Stop(true, 100, 3), 3);
    EXPECT_EQ(ReadAll(path), Expected(3, 3, 100));
}

// The interrupted burst that cannot be written does not count: the header states the blocks
// before it, the file holds no part of it, and the error names the file, burst and reason.
TEST_P(StoppedRecordingTest, AnInterruptedBurstThatCannotBeWrittenDoesNotCount) {
    Record(2, 100);
    // A full disk refuses the new block; the header's bytes already have their place.
    InjectedFaults full(0, ENOSPC, 1);
    try {
        Stop(true, 100, 3);
        ADD_FAILURE() << "no error";
    } catch (const InOutError& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find(path + " に 3回目のデータを書き込めません"), std::string::npos)
            << message;
        EXPECT_NE(message.find("No space left on device"), std::string::npos) << message;
    }
    full.Remove();
    EXPECT_EQ(r.Iteration, 2);
    EXPECT_TRUE(ReadAll(path) == Expected(2, 2, Steps));
}

// A TSD file has its count line corrected; an SDF header is rewritten in place and never
// shortens the file.
using SdfStoppedRecordingTest = StoppedRecordingTest;

TEST_P(SdfStoppedRecordingTest, RewritingKeepsBytesOfAnOlderLongerFile) {
    const std::string tail(10000, 'z');
    {
        std::string older = ReadAll(path);
        older.resize(512 + 5 * 2048, 'y');
        WriteAll(path, older + tail);
    }
    Record(2, 0);
    Stop(false, 0, 2);
    const std::string file = ReadAll(path);
    ASSERT_EQ(file.size(), 512u + 5 * 2048 + tail.size());
    EXPECT_EQ(file.substr(0, 512 + 2 * 2048), Expected(2, 2, Steps));
    EXPECT_EQ(file.substr(512 + 5 * 2048), tail);
}

INSTANTIATE_TEST_SUITE_P(BothFormats, StoppedRecordingTest,
                         ::testing::Values(FileTypeSdf, FileTypeTsd), [](const auto& info) {
                             return info.param == FileTypeTsd ? "Tsd" : "Sdf";
                         });
INSTANTIATE_TEST_SUITE_P(SdfOnly, SdfStoppedRecordingTest, ::testing::Values(FileTypeSdf));

namespace {

// Finishing a stopped TSD recording corrects its burst-count line: in place when the count
// keeps its length, otherwise through a copy beside the file that replaces it.
struct TsdCountCorrectionTest : ::testing::Test {
    ScratchFolder folder;
    ScriptedDialogs dialogs;
    TFrmSDFdata holder{dialogs};
    MeasurementParameters& r = holder.Record();

    void Prepare(const std::string& path, std::int16_t planned = 3) {
        r.ChNum = 1;
        r.DataNum = 2;
        r.SInterval = 1;
        r.SITUnit = UnitSec;
        r.Iteration = planned;
        r.BITUnit = UnitMin;
        r.BInterval = 1;
        r.Channels[0] = {"a", "V", 1.0f, 0.0f};
        r.AllocateSampleBuffers();
        r.TargetFileName = path;
        ASSERT_TRUE(holder.WriteTsdHeader(path));
        ASSERT_TRUE(holder.WriteTsdBlock(0));
    }
};

// Applies a file-size limit for its life, with the signal ignored so that writes past the limit
// fail with EFBIG as they do in the tool.
class FileSizeLimit {
public:
    explicit FileSizeLimit(std::size_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old_;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    struct rlimit old_ {};
    void (*previous_)(int) = nullptr;
};

} // namespace

TEST_F(TsdCountCorrectionTest, ACountOfTheSameLengthIsCorrectedInPlaceEvenOnAFullDisk) {
    const std::string path = folder.File("run.tsd");
    Prepare(path);
    const std::string before = ReadAll(path);
    {
        const FileSizeLimit full(before.size()); // no byte more may be written
        EXPECT_EQ(holder.FinishStoppedRecording({false, 0, 1, FileTypeTsd, path}), 1);
    }
    std::string expected = before;
    expected.replace(expected.find("\r\n3\r\n") + 2, 1, "1");
    EXPECT_EQ(ReadAll(path), expected);
    EXPECT_FALSE(std::filesystem::exists(folder.File("run.$$$")));
}

TEST_F(TsdCountCorrectionTest, AFailedCopyIsRemovedAndTheDataFileKeptAndNamed) {
    const std::string path = folder.File("run.tsd");
    Prepare(path, 10); // "10" to "1" changes the line's length
    const std::string before = ReadAll(path);
    std::filesystem::create_directory(folder.File("run.$$$")); // the copy cannot be made
    try {
        holder.FinishStoppedRecording({false, 0, 1, FileTypeTsd, path});
        ADD_FAILURE() << "no error";
    } catch (const InOutError& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find(path + " のヘッダを記録回数 1 回に修正できません"),
                  std::string::npos)
            << message;
        EXPECT_NE(message.find(folder.File("run.$$$")), std::string::npos) << message;
        EXPECT_NE(message.find("Is a directory"), std::string::npos) << message;
        EXPECT_NE(message.find("tessary-cli repair"), std::string::npos) << message;
    }
    EXPECT_EQ(ReadAll(path), before);
}

TEST_F(TsdCountCorrectionTest, ACopyCutShortByAFullDiskIsRemovedAndLeavesTheDataFile) {
    const std::string path = folder.File("run.tsd");
    Prepare(path, 10);
    for (std::int16_t k = 1; k < 3; ++k) {
        r.Samples[0] = {k, k};
        ASSERT_TRUE(holder.WriteTsdBlock(k));
    }
    const std::string before = ReadAll(path);
    bool failed = false;
    {
        const FileSizeLimit limit(before.size() - 10); // room for the header, not the blocks
        try {
            holder.FinishStoppedRecording({false, 0, 3, FileTypeTsd, path});
        } catch (const InOutError& e) {
            failed = std::string(e.what()).find("File too large") != std::string::npos;
        }
    }
    EXPECT_TRUE(failed);
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_FALSE(std::filesystem::exists(folder.File("run.$$$")));
}

TEST_F(TsdCountCorrectionTest, ADataFileNamedLikeItsCopyIsNotTouched) {
    const std::string path = folder.File("run.$$$");
    Prepare(path, 10);
    const std::string before = ReadAll(path);
    EXPECT_THROW(holder.FinishStoppedRecording({false, 0, 1, FileTypeTsd, path}), InOutError);
    EXPECT_EQ(ReadAll(path), before);
}

TEST_F(TsdCountCorrectionTest, AnOldCopyIsEmptiedAndAVanishedDataFileIsReported) {
    const std::string path = folder.File("run.tsd");
    Prepare(path, 10);
    ::chmod(path.c_str(), 0640);
    WriteAll(folder.File("run.$$$"), "No.1\r\nold junk\r\n");
    holder.FinishStoppedRecording({false, 0, 1, FileTypeTsd, path});
    const std::string file = ReadAll(path);
    EXPECT_EQ(file.find("junk"), std::string::npos);
    EXPECT_NE(file.find("\r\n1\r\n1 min\r\n"), std::string::npos); // Iteration 1
    EXPECT_FALSE(std::filesystem::exists(folder.File("run.$$$")));
    struct stat status {};
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u) << "the copy keeps the file's permission bits";

    std::filesystem::remove(path);
    r.Iteration = 10;
    EXPECT_THROW(holder.FinishStoppedRecording({false, 0, 1, FileTypeTsd, path}), InOutError);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(TsdCountCorrectionTest, AMemoLineReadingNo1IsNotTakenForTheFirstBlock) {
    const std::string path = folder.File("run.tsd");
    r.Memo = "No.1\r\nsecond";
    r.StartTime = EncodeDateTime({2024, 5, 6, 7, 8, 9, 0});
    Prepare(path);
    r.Samples[0] = {3, 4};
    ASSERT_TRUE(holder.WriteTsdBlock(1));
    holder.FinishStoppedRecording({false, 0, 2, FileTypeTsd, path});
    EXPECT_EQ(ReadAll(path), "Time Series Data Text Format Ver.2\r\nNo.1\r\nsecond\r\n"
                             "2024/05/06 07:08:09 000\r\n1 sec\r\n2\r\n1 min\r\n1,0\r\n2\r\n"
                             "1\r\n0\r\na\r\nV\r\nNo.1\r\n0\r\n0\r\nNo.2\r\n3\r\n4\r\n");
}
