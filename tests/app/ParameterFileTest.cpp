// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ParameterFile.h"
#include "app/CommentText.h"
#include "app/ParameterCommands.h"
#include "data/Cp932.h"

#include "RecordingDialogs.h"
#include "tests/ScratchFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <tuple>

using namespace tessary;
using namespace tessary::testing;

namespace {

using Row = std::array<std::string, 5>;

// Every control away from its start-up value.
ControlValues ChangedValues() {
    ControlValues values;
    values.Left = -5;
    values.Top = 40;
    values.Width = 1024;
    values.Height = 600;
    values.WaitTime = "2.5";
    values.Iteration = "12";
    values.BurstInterval = "30";
    values.BurstUnitIndex = 1;
    values.SInterval = "250";
    values.SampUnitIndex = 2;
    values.DataNum = "2048";
    values.ChNum = "4";
    values.ChannelGrid = {{"No.", "項目名", "単位", "A", "B"},
                          {"1", "温度", "℃", "0.0012346", "-273.15"},
                          {"2", "表示ソフト", "kPa", "1.2346E6", "0"},
                          {"3", "Ch 3 = x", "m/s", "1E-5", "5"},
                          {"4", "", "", "abc", ""}};
    values.Memo = "一行目\r\nC:\\data\\new\r\n\r\nend";
    values.FileType = 1;
    values.FileName = "/data/試験/run.tsd";
    values.ApplicationSoftware = "/opt/Orvane/Orvane.EXE";
    return values;
}

// Every field, so that a mismatch names the field's value.
auto Fields(const ControlValues& v) {
    return std::tie(v.Left, v.Top, v.Width, v.Height, v.WaitTime, v.Iteration, v.BurstInterval,
                    v.BurstUnitIndex, v.SInterval, v.SampUnitIndex, v.DataNum, v.ChNum,
                    v.ChannelGrid, v.Memo, v.FileType, v.FileName, v.ApplicationSoftware);
}

void ExpectSameValues(const ControlValues& a, const ControlValues& b) {
    EXPECT_EQ(Fields(a), Fields(b));
}

} // namespace

TEST(ParameterFile, ANewFileHoldsEveryKeyInTheWrittenOrderAndSpelling) {
    ScratchFolder folder;
    const std::string path = folder.File("new.apm");
    ControlValues values;
    values.ChannelGrid[1][1] = "温度";
    values.FileName = "/d/ADdata.sdf";
    WriteParameterFile(path, values);

    const std::string expected = "[Form]\r\nLeft=203\r\nTop=178\r\nWidht=715\r\nHeight=452\r\n"
                                 "[Parameters]\r\nWait Time=0\r\nIteration=1\r\nBurstInterval=1\r\n"
                                 "Burst Time Unit=2\r\nSampling Interval=100\r\n"
                                 "Sampling Time Unit=1\r\nNumber Of Data=512\r\n"
                                 "Number of Channels=0\r\nMemo=\r\nFile Type=0\r\n"
                                 "[Ch1]\r\nItem=\x89\xB7\x93\x78\r\nScale=mV\r\nCoef A=1\r\n"
                                 "Coef B=0\r\n"
                                 "[File]\r\nSave Name=/d/ADdata.sdf\r\nApplication Software=\r\n"
                                 "Application Software Confirmed=1\r\n";
    EXPECT_EQ(ReadAll(path), expected);
}

TEST(ParameterFile, EveryKeyRoundTripsThroughTheFile) {
    ScratchFolder folder;
    const std::string path = folder.File("all.apm");
    const ControlValues written = ChangedValues();
    WriteParameterFile(path, written);
    EXPECT_NE(ReadAll(path).find("Number of Channels=3\r\n"), std::string::npos);

    ControlValues read;
    RecordingDialogs dialogs;
    EXPECT_TRUE(ReadParameterFile(path, read, dialogs));
    ExpectSameValues(read, written);
    EXPECT_TRUE(dialogs.Information.empty());
}

TEST(ParameterFile, TextsThatCp932CannotHoldComeBackAsTheyWere) {
    // Folder names on this system are UTF-8 and may hold letters that CP932 lacks; a "?" in
    // their place would send the next recording to a folder that does not exist.
    ScratchFolder folder;
    const std::string path = folder.File("utf8.apm");
    ControlValues written = ChangedValues();
    written.FileName = "/home/müller/試験/run.tsd";
    written.ApplicationSoftware = "/opt/Åsa/Orvane.EXE";
    written.ChannelGrid[2][2] = "µV";
    written.Memo = "Zürich\r\n二行目";
    WriteParameterFile(path, written);
    const std::string bytes = ReadAll(path);
    EXPECT_EQ(bytes.find('?'), std::string::npos);
    // Texts that CP932 holds stay CP932, as the Windows reader expects them.
    EXPECT_NE(bytes.find("Item=\x89\xB7\x93\x78\r\n"), std::string::npos);

    ControlValues read;
    RecordingDialogs dialogs;
    ReadParameterFile(path, read, dialogs);
    ExpectSameValues(read, written);
}

TEST(ParameterFile, TextsThatCp932RepresentAreStoredInCp932EvenWhenTheyReadBackAsLookAlikes) {
    // Linux input methods give 〜 U+301C and − U+2212, which CP932 stores as 0x8160 and 0x817C
    // and gives back as ～ U+FF5E and － U+FF0D; the Windows program reads only CP932.
    ScratchFolder folder;
    const std::string path = folder.File("lookalike.apm");
    ControlValues written = ChangedValues();
    written.ChannelGrid[1][1] = "1〜2";
    written.ChannelGrid[1][2] = "−‖";
    written.Memo = "¢£¬";
    WriteParameterFile(path, written);
    const std::string bytes = ReadAll(path);
    EXPECT_NE(bytes.find("Item=1\x81\x60"
                         "2\r\n"),
              std::string::npos);
    EXPECT_NE(bytes.find("Scale=\x81\x7C\x81\x61\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("Memo=\x81\x91\x81\x92\x81\xCA\r\n"), std::string::npos);
    EXPECT_EQ(bytes.find("\xEF\xBB\xBF"), std::string::npos);

    ControlValues read;
    RecordingDialogs dialogs;
    ReadParameterFile(path, read, dialogs);
    EXPECT_EQ(read.ChannelGrid[1][1], "1～2");
    EXPECT_EQ(read.ChannelGrid[1][2], "－∥");
    EXPECT_EQ(read.Memo, "￠￡￢");
}

TEST(ParameterFile, ARelativeAnalysisProgramIsTheOneBesideTheFileRead) {
    ScratchFolder folder;
    std::filesystem::create_directories(folder.File("set"));
    const std::string path = folder.File("set/run.apm");
    ControlValues values;
    RecordingDialogs dialogs;
    for (const auto& [stored, resolved] : std::vector<std::pair<std::string, std::string>>{
             {"tools/Orvane.EXE", folder.File("set/tools/Orvane.EXE")},
             {"../bin/./orvane", folder.File("bin/orvane")},
             {"/opt/Orvane.EXE", "/opt/Orvane.EXE"},
             {"", ""}}) {
        WriteAll(path, "[File]\r\nApplication Software=" + stored + "\r\n");
        values.ApplicationSoftware = "/previous";
        ReadParameterFile(path, values, dialogs);
        EXPECT_EQ(values.ApplicationSoftware, resolved) << stored;
    }
}

TEST(ParameterCommands, AProgramNamedByALoadedFileStaysUnconfirmedUntilTheOperatorSaysSo) {
    ScratchFolder folder;
    RecordingDialogs dialogs;
    TFrmSDFdata sdfData(dialogs);
    std::uint16_t samplingUnitIndex = 1;
    // A received file, even one that claims its program is confirmed.
    WriteAll(folder.File("received.apm"), "[File]\r\nApplication Software=/tmp/evil.sh\r\n"
                                          "Application Software Confirmed=1\r\n");
    ControlValues values;
    values.ApplicationSoftware = "/opt/Orvane/Orvane.EXE";
    ASSERT_TRUE(LoadParameters(folder.File("received.apm"), sdfData, values, samplingUnitIndex));
    EXPECT_EQ(values.ApplicationSoftware, "/tmp/evil.sh");
    EXPECT_FALSE(values.ApplicationSoftwareConfirmed);

    // Saved to the settings at close and read at the next start: still unconfirmed.
    WriteParameterFile(folder.File("tessary.ini"), values);
    ControlValues restarted;
    ReadParameterFile(folder.File("tessary.ini"), restarted, dialogs);
    EXPECT_EQ(restarted.ApplicationSoftware, "/tmp/evil.sh");
    EXPECT_FALSE(restarted.ApplicationSoftwareConfirmed);
    restarted.ApplicationSoftwareConfirmed = true; // the operator answered Yes
    WriteParameterFile(folder.File("tessary.ini"), restarted);
    ReadParameterFile(folder.File("tessary.ini"), values, dialogs);
    EXPECT_TRUE(values.ApplicationSoftwareConfirmed);

    // A file naming the program already chosen, or none, changes nothing of that; a settings
    // file of the Windows program, without the key, is the operator's own.
    ASSERT_TRUE(LoadParameters(folder.File("received.apm"), sdfData, values, samplingUnitIndex));
    EXPECT_TRUE(values.ApplicationSoftwareConfirmed);
    WriteAll(folder.File("none.apm"), "[File]\r\nApplication Software=\r\n");
    values.ApplicationSoftwareConfirmed = false;
    ASSERT_TRUE(LoadParameters(folder.File("none.apm"), sdfData, values, samplingUnitIndex));
    EXPECT_TRUE(values.ApplicationSoftwareConfirmed);
    WriteAll(folder.File("windows.ini"), "[File]\r\nApplication Software=/opt/o.exe\r\n");
    values.ApplicationSoftwareConfirmed = false;
    ReadParameterFile(folder.File("windows.ini"), values, dialogs);
    EXPECT_TRUE(values.ApplicationSoftwareConfirmed);
}

TEST(ParameterFile, FewerChannelsLeaveTheOldChannelSectionsInTheFile) {
    ScratchFolder folder;
    const std::string path = folder.File("shrink.apm");
    WriteParameterFile(path, ChangedValues());
    ControlValues two = ChangedValues();
    two.ChNum = "2";
    two.ChannelGrid.resize(3);
    two.ChannelGrid[2][1] = "圧力";
    WriteParameterFile(path, two);

    const std::string bytes = ReadAll(path);
    EXPECT_NE(bytes.find("[Ch3]\r\nItem=Ch 3 = x\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("[Ch4]\r\n"), std::string::npos);

    ControlValues read;
    RecordingDialogs dialogs;
    ReadParameterFile(path, read, dialogs);
    EXPECT_EQ(read.ChNum, "2");
    EXPECT_EQ(read.ChannelGrid, two.ChannelGrid);
}

TEST(ParameterFile, MissingFileSectionsAndKeysKeepTheCurrentValues) {
    ScratchFolder folder;
    const ControlValues current = ChangedValues();
    RecordingDialogs dialogs;

    ControlValues fromMissing = current;
    EXPECT_TRUE(ReadParameterFile(folder.File("none.apm"), fromMissing, dialogs));
    ExpectSameValues(fromMissing, current);
    EXPECT_FALSE(std::filesystem::exists(folder.File("none.apm")));

    // No [File] section, same file type: data-file name and analysis program stay.
    const std::string path = folder.File("nofile.apm");
    WriteAll(path, "[parameters]\r\nITERATION = 99\r\nfile type=1\r\n");
    ControlValues read = current;
    ReadParameterFile(path, read, dialogs);
    EXPECT_EQ(read.Iteration, "99");
    EXPECT_EQ(read.FileName, current.FileName);
    EXPECT_EQ(read.ApplicationSoftware, current.ApplicationSoftware);
    EXPECT_EQ(read.Memo, current.Memo);
    EXPECT_EQ(read.ChannelGrid, current.ChannelGrid);
}

TEST(ParameterFile, HandWrittenValuesThatTheControlsCannotHold) {
    ScratchFolder folder;
    const std::string path = folder.File("odd.apm");
    WriteAll(path, "[Form]\r\nLeft=abc\r\nTop= +17 \r\nWidht=12.5\r\nHeight=-0\r\n"
                   "[Parameters]\r\nBurst Time Unit=3\r\nSampling Time Unit=-1\r\n"
                   "File Type=7\r\nNumber of Channels=+-2\r\n");
    ControlValues read;
    read.FileName = "/d/run.sdf";
    RecordingDialogs dialogs;
    ReadParameterFile(path, read, dialogs);
    EXPECT_EQ(read.Left, 203);
    EXPECT_EQ(read.Top, 17);
    EXPECT_EQ(read.Width, 715);
    EXPECT_EQ(read.Height, 0);
    EXPECT_EQ(read.BurstUnitIndex, -1);
    EXPECT_EQ(read.SampUnitIndex, -1);
    // The type is taken as TSD, and the name follows as the file-type choice makes it.
    EXPECT_EQ(read.FileType, 1);
    EXPECT_EQ(read.FileName, "/d/run.tsd");
    // Two signs make no integer: the count stays, with nothing to tell.
    EXPECT_EQ(read.ChNum, "1");
    EXPECT_TRUE(dialogs.Information.empty());
}

TEST(ParameterFile, AChannelCountTheListCannotShowIsLoadedAsFarAsPossibleAndTold) {
    ScratchFolder folder;
    const std::string many = folder.File("many.apm");
    std::string bytes = "[Parameters]\r\nNumber of Channels=7\r\n";
    for (int k = 1; k <= 8; ++k) {
        bytes += "[Ch" + std::to_string(k) + "]\r\nItem=c" + std::to_string(k) + "\r\n";
    }
    WriteAll(many, bytes);
    RecordingDialogs dialogs;
    ControlValues read;
    ReadParameterFile(many, read, dialogs);
    EXPECT_EQ(read.ChNum, "4");
    ASSERT_EQ(read.ChannelGrid.size(), 5u);
    EXPECT_EQ(read.ChannelGrid[4], (Row{"4", "c4", "mV", "1", "0"}));
    ASSERT_EQ(dialogs.Information.size(), 1u);
    EXPECT_NE(dialogs.Information[0].find("8"), std::string::npos);

    const std::string negative = folder.File("negative.apm");
    WriteAll(negative, "[Parameters]\r\nNumber of Channels=-2\r\n");
    ControlValues two = ChangedValues();
    two.ChNum = "2";
    two.ChannelGrid.resize(3);
    ReadParameterFile(negative, two, dialogs);
    EXPECT_EQ(two.ChNum, "2");
    EXPECT_EQ(two.ChannelGrid.size(), 3u);
    EXPECT_EQ(dialogs.Information.size(), 2u);

    // Even without a current selection the list ends with one.
    ControlValues none;
    none.ChNum = "";
    ReadParameterFile(negative, none, dialogs);
    EXPECT_EQ(none.ChNum, "1");
    EXPECT_EQ(none.ChannelGrid.size(), 2u);
}

TEST(CommentText, OneLineCommentsAreStoredAsTypedAndEveryCommentReadsBack) {
    const std::string asTyped[] = {"",           "計測 1 回目", "C:\\data\\x", "ends with \\",
                                   "表示ソフト", "C:\\new",     "a\\\\b",      "\\n\\\\"};
    for (const std::string& comment : asTyped) {
        EXPECT_EQ(EncodeComment(comment), comment);
        EXPECT_EQ(DecodeComment(EncodeComment(comment)), comment);
    }
    const std::string multiLine[] = {"a\r\nb\\c", "\r\n", "x\\\r\n\\n", "C:\\new\r\n"};
    for (const std::string& comment : multiLine) {
        const std::string stored = EncodeComment(comment);
        EXPECT_EQ(stored.find_first_of("\r\n"), std::string::npos);
        EXPECT_EQ(DecodeComment(stored), comment);
    }
    // Lone CR or LF, as another editor may give them, come back as CR LF.
    EXPECT_EQ(DecodeComment(EncodeComment("a\nb\rc")), "a\r\nb\r\nc");
}

TEST(ParameterFile, CommentsWithBackslashesFromOtherWritersReadBackAsStored) {
    // A comment of one line holding "\n" (a Windows path, say) is kept as it stands, both
    // when written here and when read from a file that another program wrote.
    ScratchFolder folder;
    const std::string path = folder.File("memo.apm");
    WriteAll(path, "[Parameters]\r\nMemo=C:\\new\\data\\n1\r\n");
    ControlValues read;
    RecordingDialogs dialogs;
    ReadParameterFile(path, read, dialogs);
    EXPECT_EQ(read.Memo, "C:\\new\\data\\n1");
    read.Memo = "C:\\new\\\\x";
    WriteParameterFile(path, read);
    EXPECT_NE(ReadAll(path).find("Memo=C:\\new\\\\x\r\n"), std::string::npos);

    // A comment of several lines, with double-byte characters whose second byte is a
    // backslash in CP932 (ソ, 表).
    ControlValues values;
    values.Memo = "表示\r\nソフト\\n";
    WriteParameterFile(path, values);
    const std::string bytes = ReadAll(path);
    EXPECT_NE(bytes.find(Utf8ToCp932("表示\\nソフト\\\\n") + "\r\n"), std::string::npos);
    ReadParameterFile(path, read, dialogs);
    EXPECT_EQ(read.Memo, values.Memo);
}

TEST(ParameterCommands, SaveWritesAnApmFileUnderTheChosenName) {
    ScratchFolder folder;
    EXPECT_EQ(SaveParameters(folder.File("setup"), ChangedValues()), folder.File("setup.apm"));
    EXPECT_EQ(SaveParameters(folder.File("setup.txt"), ControlValues()), folder.File("setup.apm"));
    EXPECT_FALSE(std::filesystem::exists(folder.File("setup")));
    EXPECT_FALSE(std::filesystem::exists(folder.File("setup.txt")));
    // An existing SETUP.APM chosen in the dialog is that file, not a second one beside it.
    WriteAll(folder.File("SETUP.APM"), "[Parameters]\r\nMemo=old\r\n");
    EXPECT_EQ(SaveParameters(folder.File("SETUP.APM"), ChangedValues()), folder.File("SETUP.APM"));
    EXPECT_EQ(SaveParameters(folder.File("Run.Apm"), ChangedValues()), folder.File("Run.Apm"));
    EXPECT_EQ(ReadAll(folder.File("SETUP.APM")).find("Memo=old"), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                            std::filesystem::directory_iterator()),
              3);
    ControlValues read;
    RecordingDialogs dialogs;
    ReadParameterFile(folder.File("setup.apm"), read, dialogs);
    ControlValues expected;
    expected.ChannelGrid[1][0] = "1"; // a load numbers the rows from 1
    ExpectSameValues(read, expected);
}

TEST(ParameterCommands, LoadTakesOnlyApmSdfAndTsdNamesInAnyCase) {
    ScratchFolder folder;
    RecordingDialogs dialogs;
    TFrmSDFdata sdfData(dialogs);
    std::uint16_t samplingUnitIndex = 1;
    const ControlValues saved = ChangedValues();
    WriteParameterFile(folder.File("set.apm"), saved);
    std::filesystem::copy_file(folder.File("set.apm"), folder.File("SET.APM"));
    std::filesystem::copy_file(folder.File("set.apm"), folder.File("set.ini"));

    ControlValues values;
    EXPECT_FALSE(LoadParameters(folder.File("set.ini"), sdfData, values, samplingUnitIndex));
    ExpectSameValues(values, ControlValues());
    EXPECT_TRUE(LoadParameters(folder.File("SET.APM"), sdfData, values, samplingUnitIndex));
    ExpectSameValues(values, saved);
    EXPECT_TRUE(LoadParameters(folder.File("typed.apm"), sdfData, values, samplingUnitIndex));
    ExpectSameValues(values, saved);
}

TEST(ParameterCommands, BrowseFolderIsSetOnlyWhenTheFolderExists) {
    ScratchFolder folder;
    const std::string programDir = folder.Path() + "/";
    EXPECT_EQ(DataFileBrowseFolder(programDir + "run.sdf", "/nowhere/"), programDir);
    EXPECT_EQ(DataFileBrowseFolder("run.sdf", programDir), programDir);
    EXPECT_EQ(DataFileBrowseFolder(programDir + "gone/run.sdf", programDir), "");
}
