// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/CursorReading.h"
#include "viewer/ShownBurst.h"
#include "viewer/ViewedRecording.h"

#include "data/DateTime.h"
#include "data/FileError.h"
#include "export/ExportTesting.h"
#include "upgrade/SdfBytes.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tessary;
using tessary::testing::ReadAll;
using tessary::testing::ScratchFolder;
using tessary::testing::ScriptedDialogs;
using tessary::testing::WriteAll;
using tessary::testing::WriteRecording;

namespace {

ViewedRecording Opened(const std::string& path) {
    ViewedRecording viewed = ViewedRecording::Open(path);
    EXPECT_TRUE(viewed.Source) << viewed.Problem;
    return viewed;
}

} // namespace

// Both formats show the same engineering values at the cursor: A·x + B of the stored sample
// (Pressure has A 0.5, B 1), the TSD file's numbers as written, and nothing where the sample
// is missing. The time and clock of the cursor's sample follow the header.
TEST(ViewedRecording, ValuesAtTheCursorAreTheFilesSamplesThroughTheirCoefficients) {
    ScratchFolder folder;
    for (const bool tsd : {false, true}) {
        const std::string path = folder.File(tsd ? "r.tsd" : "r.sdf");
        WriteRecording(path, tsd, 3, 6);
        ViewedRecording viewed = Opened(path);
        ASSERT_TRUE(viewed.Source);
        EXPECT_EQ(viewed.Source->Bursts(), 3);
        EXPECT_EQ(viewed.ContentsNotice(), "");
        const auto burst = ShownBurst::Read(*viewed.Source, 2);
        const BurstTiming timing(viewed.Source->Header());
        EXPECT_EQ(timing.AxisUnit(), "usec");
        ASSERT_EQ(burst->Channels(), 2);
        const CursorReading at3 = CursorReading::At(*burst, timing, 31.0); // nearest: scan 3
        EXPECT_EQ(at3.Scan, 3);
        EXPECT_EQ(at3.Time, 30.0);
        EXPECT_EQ(at3.Values[0], 0.5 * (200 + 3) + 1) << tsd;
        EXPECT_EQ(at3.Values[1], 210 + 3) << tsd;
        const CursorReading at2 = CursorReading::At(*burst, timing, 20.0);
        EXPECT_FALSE(at2.Values[1].has_value()) << tsd;
        EXPECT_EQ(ReadoutText(at2.Values[1]), "—");
        EXPECT_EQ(ReadoutText(Difference(at2.Values[0], at3.Values[0])), "0.5");
        EXPECT_FALSE(Difference(at2.Values[1], at3.Values[1]).has_value());
        // Burst 3 was planned 2 s after the start; its scan 3 30 µs later.
        const double start = EncodeDateTime({2025, 6, 7, 8, 9, 10, 0});
        EXPECT_NEAR(*timing.PlannedStart(2), start + 2.0 / 86400, 1e-9);
        EXPECT_EQ(FormatDateTimeMs(*timing.PlannedStart(2)), "2025/06/07 08:09:12 000");
        EXPECT_NEAR(*at3.Clock, start + (2.0 + 30e-6) / 86400, 1e-11);
        // Beyond either end the cursor holds the first or the last sample.
        EXPECT_EQ(CursorReading::At(*burst, timing, -100.0).Scan, 0);
        EXPECT_EQ(CursorReading::At(*burst, timing, 1e12).Scan, 5);
    }
}

// Old layouts are read as they are, never converted: 32767 marks a missing sample in layouts
// 1 to 3 (and is a value in layout 4), and the file stays byte for byte as it was.
TEST(ViewedRecording, OldLayoutsAreReadAsTheyAreWithTheirOwnMissingMark) {
    ScratchFolder folder;
    sdfbytes::Recording r;
    r.ChNum = 2;
    r.DataNum = 3;
    r.Iteration = 2;
    r.Rows = {{"a", "V", 2.0f, 1.0f}, {"b", "mV", 1.0f, 0.0f}};
    r.Bursts = {{1, 2, 32767, 4, 5, -32768}, {7, 8, 9, 10, 11, 12}};
    for (const int version : {1, 2, 3}) {
        const std::string path = folder.File("old" + std::to_string(version) + ".sdf");
        const std::string bytes = sdfbytes::OldFile(r, version);
        WriteAll(path, bytes);
        ViewedRecording viewed = Opened(path);
        ASSERT_TRUE(viewed.Source);
        EXPECT_EQ(viewed.Source->Contents().Version, version);
        EXPECT_EQ(viewed.Source->Bursts(), 2);
        const auto first = ShownBurst::Read(*viewed.Source, 0);
        EXPECT_EQ(first->Channel(0).ValueAt(0), 3.0);
        EXPECT_FALSE(first->Channel(0).ValueAt(1).has_value());
        EXPECT_EQ(first->Channel(1).ValueAt(2), -32768.0);
        EXPECT_EQ(ShownBurst::Read(*viewed.Source, 1)->Channel(1).ValueAt(2), 12.0);
        EXPECT_EQ(ReadAll(path), bytes);
    }
    const std::string current = folder.File("new.sdf");
    WriteAll(current, sdfbytes::CurrentFile(r, r.Bursts));
    ViewedRecording viewed = Opened(current);
    ASSERT_TRUE(viewed.Source);
    const auto first = ShownBurst::Read(*viewed.Source, 0);
    EXPECT_EQ(first->Channel(0).ValueAt(1), 2.0 * 32767 + 1);
    EXPECT_FALSE(first->Channel(1).ValueAt(2).has_value());
}

// A recording cut off in its third burst opens with the two complete ones and says so; a file
// that shrinks under the viewer gives an error naming it when a burst is read, and one that
// grows shows the new bursts after opening it again.
TEST(ViewedRecording, CutOffShrunkAndGrownFilesShowWhatIsComplete) {
    ScratchFolder folder;
    for (const bool tsd : {false, true}) {
        const std::string path = folder.File(tsd ? "cut.tsd" : "cut.sdf");
        WriteRecording(path, tsd, 4, 50);
        const std::string whole = ReadAll(path);
        const std::string full = folder.File(tsd ? "full.tsd" : "full.sdf");
        WriteAll(full, whole);
        const ViewedRecording fullView = Opened(full);
        ASSERT_TRUE(fullView.Source);
        const RecordingContents& contents = fullView.Source->Contents();
        const auto header =
            static_cast<std::uintmax_t>(tsd ? contents.Tsd.HeaderBytes : contents.Sdf.HeaderBytes);
        const auto size = static_cast<std::uintmax_t>(whole.size());
        // One and a half bursts short of the end.
        std::filesystem::resize_file(path, size - (size - header) * 3 / 8);
        ViewedRecording viewed = Opened(path);
        ASSERT_TRUE(viewed.Source);
        EXPECT_EQ(viewed.Source->Bursts(), 2) << tsd;
        EXPECT_EQ(viewed.ContentsNotice(),
                  "記録が途中で終わっています。ヘッダーの 4 回のうち、完了したバースト 2 回を表示"
                  "しています。");
        std::filesystem::resize_file(path, header + 10);
        EXPECT_THROW(ShownBurst::Read(*viewed.Source, 1), FileError) << tsd;
        WriteAll(path, whole);
        EXPECT_EQ(Opened(path).Source->Bursts(), 4);
    }
}

// What is not a recording, or is damaged, gives a reason that names the file; nothing is
// thrown and nothing is asked.
TEST(ViewedRecording, AFileThatIsNoRecordingGivesAReasonNamingIt) {
    ScratchFolder folder;
    const std::string text = folder.File("notes.sdf");
    WriteAll(text, "just some text\n");
    ViewedRecording viewed = ViewedRecording::Open(text);
    EXPECT_FALSE(viewed.Source);
    EXPECT_EQ(viewed.Problem, text + " を表示できません：フォーマットが違います。");
    EXPECT_FALSE(ViewedRecording::Open(folder.File("missing.tsd")).Problem.empty());
    // A header whose sizes promise more than any file holds: no burst, no allocation.
    sdfbytes::Recording r;
    r.ChNum = 128;
    r.DataNum = 2000000000;
    r.Iteration = 30000;
    r.Rows.assign(128, {"c", "u", 1.0f, 0.0f});
    const std::string huge = folder.File("huge.sdf");
    WriteAll(huge, sdfbytes::Header(r, 4));
    ViewedRecording hugeView = ViewedRecording::Open(huge);
    if (hugeView.Source) {
        EXPECT_EQ(hugeView.Source->Bursts(), 0);
    } else {
        EXPECT_NE(hugeView.Problem.find(huge), std::string::npos);
    }
}

// A header that states large bursts but holds none allocates nothing for them: the bursts are
// read into buffers sized by the file's complete blocks, never by the header alone.
TEST(ViewedRecording, AHeaderAloneAllocatesNoSampleBuffers) {
    ScratchFolder folder;
    sdfbytes::Recording r;
    r.ChNum = 4;
    r.DataNum = 100000000; // 800 MB of samples a burst
    r.Iteration = 3;
    r.Rows.assign(4, {"c", "u", 1.0f, 0.0f});
    const std::string sdf = folder.File("empty.sdf");
    WriteAll(sdf, sdfbytes::Header(r, 4));
    const std::string tsd = folder.File("empty.tsd");
    WriteAll(tsd, "Time Series Data Text Format Ver.2\r\nmemo\r\n2026/01/02 03:04:05 000\r\n"
                  "1 usec\r\n3\r\n1 sec\r\n4,0\r\n100000000\r\n1,1,1,1\r\n0,0,0,0\r\n"
                  "a,b,c,d\r\nV,V,V,V\r\n");
    for (const std::string& path : {sdf, tsd}) {
        MeasurementParameters header;
        ScriptedDialogs dialogs;
        const auto contents = ExamineRecording(path, dialogs, header);
        ASSERT_TRUE(contents) << path;
        EXPECT_EQ(contents->CompleteBursts, 0);
        EXPECT_EQ(header.DataNum, 100000000);
        for (const auto& channel : header.Samples) {
            EXPECT_TRUE(channel.empty()) << path;
        }
        ViewedRecording viewed = Opened(path);
        ASSERT_TRUE(viewed.Source);
        EXPECT_EQ(viewed.Source->Bursts(), 0);
    }
}

// The shown part of a burst goes to CSV as the export writes it, the per-burst values in its
// first row; a failed export leaves no file behind.
TEST(ViewedRecording, ARangeOfABurstIsExportedAsCsv) {
    ScratchFolder folder;
    const std::string path = folder.File("r.sdf");
    WriteRecording(path, false, 2, 6, 1);
    ViewedRecording viewed = Opened(path);
    ASSERT_TRUE(viewed.Source);
    const std::string csv = folder.File("part.csv");
    ExportBurstRange(*viewed.Source, 1, 2, 4, csv);
    EXPECT_EQ(ReadAll(csv), "burst,time_s,Pressure [kPa],Temp [mV],Count [n]\r\n"
                            "2,0.00002,52,,2\r\n"
                            "2,0.00003,52.5,113,\r\n");
    EXPECT_THROW(ExportBurstRange(*viewed.Source, 0, 0, 6, folder.File("no/such/x.csv")),
                 InOutError);
}
