// SPDX-License-Identifier: GPL-3.0-or-later
#include "DataFileTesting.h"

#include "data/DateTime.h"
#include "data/RecordingContents.h"
#include "data/RecordingLock.h"
#include "data/TFrmSDFdata.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

using namespace tessary;
using namespace tessary::testing;

namespace {

struct Recording : ::testing::Test {
    ScratchFolder folder;
    ScriptedDialogs dialogs;
    TFrmSDFdata holder{dialogs};
    MeasurementParameters& r = holder.Record();
    MeasurementParameters header;

    // Two channels of four data, the given number of bursts planned; the memo's second line
    // reads like a block's first line.
    void Plan(const std::string& path, std::int16_t bursts, std::int16_t burstValues = 0) {
        r.Memo = "first\r\nNo.1";
        r.ChNum = 2;
        r.BurstValueNum = burstValues;
        r.DataNum = 4;
        r.SInterval = 1;
        r.SITUnit = UnitMsec;
        r.Iteration = bursts;
        r.BInterval = 1;
        r.BITUnit = UnitSec;
        r.StartTime = EncodeDateTime({2025, 1, 2, 3, 4, 5, 6});
        for (int row = 0; row < 2 + burstValues; ++row) {
            r.Channels[static_cast<std::size_t>(row)] = {"c", "V", 0.5f, 0.25f};
        }
        r.AllocateSampleBuffers();
        r.TargetFileName = path;
    }

    void WriteBlocks(int blocks, bool tsd) {
        for (int k = 0; k < blocks; ++k) {
            for (std::size_t c = 0; c < 2; ++c) {
                for (std::size_t i = 0; i < 4; ++i) {
                    r.Samples[c][i] = static_cast<std::int16_t>(k * 100 + c * 10 + i);
                }
            }
            r.Samples[1][2] = ErrorValue;
            for (auto& value : r.BurstValues) {
                value = static_cast<std::int16_t>(k);
            }
            ASSERT_TRUE(tsd ? holder.WriteTsdBlock(k) : holder.WriteSdfBlock(k));
        }
    }

    std::optional<RecordingContents> Examine(const std::string& path) {
        return ExamineRecording(path, dialogs, header);
    }
};

// Offsets just after each block of a TSD text, found from the "No." lines.
std::vector<std::size_t> BlockEnds(const std::string& text, std::size_t blocks) {
    std::vector<std::size_t> ends;
    for (std::size_t k = 2; k <= blocks; ++k) {
        ends.push_back(text.find("\r\nNo." + std::to_string(k) + "\r\n") + 2);
    }
    ends.push_back(text.size());
    return ends;
}

} // namespace

TEST_F(Recording, AFinishedTsdHoldsWhatItsHeaderStatesAndTheIndexPointsAtEachBlock) {
    const std::string path = folder.File("run.tsd");
    Plan(path, 3);
    ASSERT_TRUE(holder.WriteTsdHeader(path));
    WriteBlocks(3, true);
    const std::string text = ReadAll(path);

    const auto contents = Examine(path);
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->Format, RecordingFormat::Tsd);
    EXPECT_EQ(contents->Version, 2);
    EXPECT_EQ(contents->StatedBursts, 3);
    EXPECT_EQ(contents->CompleteBursts, 3);
    EXPECT_FALSE(contents->CutOff());
    EXPECT_FALSE(contents->BeingRecorded);
    const TsdBlockIndex& index = contents->Tsd;
    ASSERT_EQ(index.Blocks.size(), 3u);
    // The memo's "No.1" line is part of the header, not a block.
    EXPECT_EQ(index.HeaderBytes, static_cast<std::int64_t>(text.find("\r\nNo.1\r\n0.25,") + 2));
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(text.substr(static_cast<std::size_t>(index.Blocks[k]), 6),
                  "No." + std::to_string(k + 1) + "\r\n");
    }
    EXPECT_EQ(index.CompleteEnd, static_cast<std::int64_t>(text.size()));
    EXPECT_EQ(text.substr(static_cast<std::size_t>(index.CountLineOffset),
                          static_cast<std::size_t>(index.CountLineBytes) + 2),
              "3\r\n");
    EXPECT_EQ(header.ChNum, 2);
    EXPECT_EQ(header.DataNum, 4);
}

TEST_F(Recording, ATsdCutAtAnyByteCountsOnlyTheBlocksWhoseLinesAreAllThere) {
    const std::string path = folder.File("cut.tsd");
    Plan(path, 5, 1);
    ASSERT_TRUE(holder.WriteTsdHeader(path));
    WriteBlocks(3, true);
    const std::string text = ReadAll(path);
    const std::vector<std::size_t> ends = BlockEnds(text, 3);
    const std::size_t headerEnd = text.find("\r\nNo.1\r\n0.25,") + 2;

    for (std::size_t cut = headerEnd; cut <= text.size(); ++cut) {
        WriteAll(path, text.substr(0, cut));
        const auto contents = Examine(path);
        ASSERT_TRUE(contents) << cut;
        std::int64_t expected = 0;
        // A block counts once its last line has its line end (a lone CR is one).
        while (expected < 3 && ends[static_cast<std::size_t>(expected)] - 1 <= cut) {
            ++expected;
        }
        EXPECT_EQ(contents->CompleteBursts, expected) << "cut at " << cut;
        EXPECT_TRUE(contents->CutOff());
        const std::int64_t end =
            expected == 0 ? static_cast<std::int64_t>(headerEnd)
                          : static_cast<std::int64_t>(
                                std::min(ends[static_cast<std::size_t>(expected - 1)], cut));
        EXPECT_EQ(contents->Tsd.CompleteEnd, end) << "cut at " << cut;
    }
}

TEST_F(Recording, BytesNoWriterWroteEndTheCompleteBlocks) {
    const std::string path = folder.File("tail.tsd");
    Plan(path, 4);
    ASSERT_TRUE(holder.WriteTsdHeader(path));
    WriteBlocks(2, true);
    const std::string text = ReadAll(path);

    // A power loss can leave the file's last pages zero-filled.
    WriteAll(path, text + "No.3\r\n" + std::string(300, '\0'));
    EXPECT_EQ(Examine(path)->CompleteBursts, 2);
    // Wrong value counts, an out-of-order block number, a stray character.
    WriteAll(path, text + "No.3\r\n1,2\r\n1,2,3\r\n1,2\r\n1,2\r\n");
    EXPECT_EQ(Examine(path)->CompleteBursts, 2);
    WriteAll(path, text + "No.4\r\n1,2\r\n1,2\r\n1,2\r\n1,2\r\n");
    EXPECT_EQ(Examine(path)->CompleteBursts, 2);
    WriteAll(path, text + "No.3\r\n1,2\r\n1,x\r\n1,2\r\n1,2\r\n");
    EXPECT_EQ(Examine(path)->CompleteBursts, 2);
    // The writer's own spellings of values that are not numbers are values.
    WriteAll(path, text + "No.3\r\nNAN,INF\r\n-INF,=\r\n1.5E-6,-2\r\n1,2\r\n");
    EXPECT_EQ(Examine(path)->CompleteBursts, 3);
}

TEST_F(Recording, TheHeadersCountLimitsTheBlocksAndARunWithoutOneIsCutOff) {
    const std::string path = folder.File("limit.tsd");
    Plan(path, 2);
    ASSERT_TRUE(holder.WriteTsdHeader(path));
    WriteBlocks(3, true);
    auto contents = Examine(path);
    EXPECT_EQ(contents->CompleteBursts, 2);
    EXPECT_FALSE(contents->CutOff());

    Plan(path, 0);
    ASSERT_TRUE(holder.WriteTsdHeader(path));
    WriteBlocks(3, true);
    contents = Examine(path);
    EXPECT_EQ(contents->CompleteBursts, 3);
    EXPECT_TRUE(contents->CutOff());

    // A run that ended before its first burst holds no burst.
    Plan(path, 5);
    ASSERT_TRUE(holder.WriteTsdHeader(path));
    contents = Examine(path);
    EXPECT_EQ(contents->CompleteBursts, 0);
    EXPECT_EQ(contents->Tsd.CompleteEnd, static_cast<std::int64_t>(ReadAll(path).size()));
    EXPECT_TRUE(contents->CutOff());
}

TEST_F(Recording, AVersionOneTsdHoldsOneBurstWhenAllItsLinesAreThere) {
    const std::string path = folder.File("v1.tsd");
    const std::string text = "Time Series Data Text Format Ver.1\r\nmemo\r\n2024/05/06 07:08:09\r\n"
                             "10\r\n3\r\n1,1\r\n0,0\r\na,b\r\nV,V\r\n1,2\r\n3,4\r\n5,6\r\n";
    WriteAll(path, text);
    auto contents = Examine(path);
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->Version, 1);
    EXPECT_EQ(contents->CompleteBursts, 1);
    EXPECT_FALSE(contents->CutOff());
    EXPECT_EQ(contents->Tsd.CountLineOffset, -1);
    WriteAll(path, text.substr(0, text.size() - 3));
    EXPECT_EQ(Examine(path)->CompleteBursts, 0);
}

TEST_F(Recording, AnSdfCountsWholeBlocksByItsLength) {
    const std::string path = folder.File("run.sdf");
    Plan(path, 4);
    ASSERT_TRUE(holder.WriteSdfHeader(path));
    WriteBlocks(3, false);
    const std::string bytes = ReadAll(path);
    const std::size_t block = 2 * 4 * 2;

    auto contents = Examine(path);
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->Format, RecordingFormat::Sdf);
    EXPECT_EQ(contents->Version, 4);
    EXPECT_EQ(contents->StatedBursts, 4);
    EXPECT_EQ(contents->CompleteBursts, 3);
    EXPECT_TRUE(contents->CutOff());
    WriteAll(path, bytes.substr(0, bytes.size() - 1));
    EXPECT_EQ(Examine(path)->CompleteBursts, 2);
    WriteAll(path, bytes + std::string(block * 3, '\0'));
    EXPECT_EQ(Examine(path)->CompleteBursts, 4);
    EXPECT_FALSE(Examine(path)->CutOff());
}

TEST_F(Recording, NeitherMagicTextIsReportedByTheReader) {
    const std::string path = folder.File("other.dat");
    WriteAll(path, "neither of the two layouts\r\n");
    EXPECT_FALSE(DetectRecordingFormat(path));
    EXPECT_FALSE(Examine(path));
    EXPECT_FALSE(dialogs.Shown.empty());
    EXPECT_FALSE(DetectRecordingFormat(folder.File("missing")));
}

TEST_F(Recording, IndexingStopsWhenItsProgressSaysSo) {
    const std::string path = folder.File("stop.tsd");
    Plan(path, 3);
    ASSERT_TRUE(holder.WriteTsdHeader(path));
    WriteBlocks(3, true);
    std::int64_t reported = -1;
    const auto index = IndexTsdBlocks(path, 2, r, 3, [&](std::int64_t done, std::int64_t total) {
        reported = total;
        return done < 0;
    });
    EXPECT_FALSE(index.Finished);
    EXPECT_EQ(index.CompleteBlocks(), 0);
    EXPECT_EQ(reported, static_cast<std::int64_t>(ReadAll(path).size()));
}

TEST(RecordingLockTest, OneRecordingAtATimeAndTheWritersOwnClosesKeepTheLock) {
    ScratchFolder folder;
    const std::string path = folder.File("locked.sdf");
    WriteAll(path, "earlier bytes");
    RecordingLock first;
    std::string why;
    ASSERT_EQ(first.Acquire(path, why), RecordingLock::Result::Taken) << why;
    EXPECT_EQ(ReadAll(path), "earlier bytes"); // taking the lock never empties the file
    EXPECT_TRUE(RecordingLock::IsRecording(path));

    RecordingLock second;
    EXPECT_EQ(second.Acquire(path, why), RecordingLock::Result::HeldByAnother);
    EXPECT_FALSE(second.Held());
    // A writer opening and closing the file in the same process does not end the lock.
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_TRUE(RecordingLock::IsRecording(path));

    RecordingLock moved = std::move(first);
    EXPECT_TRUE(RecordingLock::IsRecording(path));
    moved.Release();
    EXPECT_FALSE(RecordingLock::IsRecording(path));
    EXPECT_EQ(second.Acquire(path, why), RecordingLock::Result::Taken);

    EXPECT_EQ(second.Acquire(folder.File("no/such/folder"), why), RecordingLock::Result::Failed);
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(RecordingLock::IsRecording(folder.File("missing")));
}

TEST(RecordingLockTest, AKilledRecordingLeavesNoLock) {
    ScratchFolder folder;
    const std::string path = folder.File("killed.tsd");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        RecordingLock lock;
        std::string why;
        const char ok = lock.Acquire(path, why) == RecordingLock::Result::Taken ? 'y' : 'n';
        (void)!::write(ready[1], &ok, 1);
        ::pause();
        ::_exit(0);
    }
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    EXPECT_EQ(ok, 'y');
    EXPECT_TRUE(RecordingLock::IsRecording(path));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_FALSE(RecordingLock::IsRecording(path));
    ::close(ready[0]);
    ::close(ready[1]);
}

namespace {

// The complete blocks of a TSD text read line by line as the definition states them, for a
// header of `headerLines` lines: a reference for the indexer's ways through long lines.
std::int64_t ReferenceBlocks(const std::string& text, int headerLines, int channels, int dataNum,
                             std::int64_t limit) {
    std::vector<std::pair<std::string, bool>> lines; // text, ended by a line end
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string::npos) {
            lines.emplace_back(text.substr(at), false);
            break;
        }
        lines.emplace_back(text.substr(at, end - at), true);
        at = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    const auto valueLine = [channels](const std::string& line) {
        int fields = 0;
        std::size_t start = 0;
        for (;;) {
            const std::size_t comma = line.find(',', start);
            const std::string field = line.substr(start, comma - start);
            if (field.empty() ||
                field.find_first_not_of("0123456789+-.eE=NAIFnaif") != std::string::npos) {
                return false;
            }
            ++fields;
            if (comma == std::string::npos) {
                return fields == channels;
            }
            start = comma + 1;
        }
    };
    std::int64_t blocks = 0;
    std::size_t line = static_cast<std::size_t>(headerLines);
    while (blocks < limit) {
        if (line >= lines.size() || !lines[line].second ||
            lines[line].first != "No." + std::to_string(blocks + 1)) {
            break;
        }
        ++line;
        int step = 0;
        for (; step < dataNum && line < lines.size() && lines[line].second &&
               valueLine(lines[line].first);
             ++step, ++line) {
        }
        if (step < dataNum) {
            break;
        }
        ++blocks;
    }
    return blocks;
}

} // namespace

// Lines of 4 scaled values, 25 to 50 bytes long, cross the indexer's 16-byte steps at every
// place; a cut at any byte, or any byte changed, counts the blocks the definition counts.
TEST_F(Recording, LongValueLinesCountAsTheDefinitionSaysAtEveryCutAndChange) {
    const std::string path = folder.File("long.tsd");
    r.Memo = "long lines";
    r.ChNum = 4;
    r.DataNum = 9;
    r.SInterval = 1;
    r.SITUnit = UnitMsec;
    r.Iteration = 3;
    r.BInterval = 1;
    r.BITUnit = UnitSec;
    r.StartTime = EncodeDateTime({2025, 1, 2, 3, 4, 5, 6});
    const float scales[] = {1.0f, 0.001f, -2.5f, 1234.567f};
    for (std::size_t c = 0; c < 4; ++c) {
        r.Channels[c] = {"c", "V", scales[c], c == 3 ? 0.5f : 0.0f};
    }
    r.AllocateSampleBuffers();
    r.TargetFileName = path;
    ASSERT_TRUE(holder.WriteTsdHeader(path));
    for (int k = 0; k < 3; ++k) {
        for (std::size_t c = 0; c < 4; ++c) {
            for (std::size_t i = 0; i < 9; ++i) {
                r.Samples[c][i] =
                    static_cast<std::int16_t>((k * 7919 + c * 104729 + i * 1301) % 65536 - 32767);
            }
        }
        r.Samples[2][4] = ErrorValue;
        ASSERT_TRUE(holder.WriteTsdBlock(k));
    }
    const std::string text = ReadAll(path);
    const std::size_t headerEnd = text.find("\r\nNo.1\r\n") + 2;
    // Each variant in a new file: emptying and rewriting one file makes ext4 wait for the disk.
    int variant = 0;
    const auto check = [&](const std::string& bytes, const std::string& what) {
        const std::string file = folder.File("v" + std::to_string(++variant) + ".tsd");
        WriteAll(file, bytes);
        const auto contents = Examine(file);
        std::filesystem::remove(file);
        ASSERT_TRUE(contents) << what;
        EXPECT_EQ(contents->CompleteBursts, ReferenceBlocks(bytes, 12, 4, 9, 3)) << what;
    };
    for (std::size_t cut = headerEnd; cut <= text.size(); ++cut) {
        check(text.substr(0, cut), "cut at " + std::to_string(cut));
    }
    for (std::size_t at = headerEnd; at < text.size(); ++at) {
        for (const char c : {'x', ',', '\r', '\n', '=', '7', ' '}) {
            std::string changed = text;
            changed[at] = c;
            check(changed, std::string("byte ") + std::to_string(at) + " made " + c);
        }
    }
}
