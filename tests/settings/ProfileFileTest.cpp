// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ProfileFile.h"
#include "data/Errors.h"
#include "settings/ProfileStrings.h"

#include "tests/ScratchFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tessary;
using namespace tessary::testing;

namespace {

const char* const HandWritten = "; settings written by hand\r\n"
                                "orphan=before any section\r\n"
                                "[form]\r\n"
                                "LEFT = 12 \r\n"
                                "  top\t=\t34\r\n"
                                "\r\n"
                                "[Extra Stuff]\r\n"
                                "Something Else=kept\r\n"
                                "no equals sign here\r\n"
                                "[PARAMETERS]\r\n"
                                "number of data=2048\r\n"
                                "Number Of Data=4096\r\n"
                                "Sampling Interval=\r\n"
                                "; a comment inside a section\r\n"
                                "\r\n"
                                "[Form]\r\n"
                                "Left=999\r\n";

} // namespace

TEST(ProfileFile, ReadsHandWrittenFilesLikeTheProfileFunctions) {
    ScratchFolder folder;
    const std::string path = folder.File("hand.ini");
    WriteAll(path, HandWritten);

    const ProfileFile file(path);
    // Names without regard to case, blanks around names and values dropped.
    EXPECT_EQ(file.Get("Form", "Left", "x"), "12");
    EXPECT_EQ(file.Get("FORM", "Top", "x"), "34");
    // The first matching section and, in it, the first matching key count.
    EXPECT_EQ(file.Get("Parameters", "Number Of Data", "x"), "2048");
    // An empty value is a value, not a missing key.
    EXPECT_EQ(file.Get("Parameters", "Sampling Interval", "x"), "");
    // Missing keys and sections, keys before any section, lines without '=', comments.
    EXPECT_EQ(file.Get("Form", "Widht", "715"), "715");
    EXPECT_EQ(file.Get("File", "Save Name", "def"), "def");
    EXPECT_EQ(file.Get("", "orphan", "def"), "def");
    EXPECT_EQ(file.Get("Extra Stuff", "no equals sign here", "def"), "def");
    EXPECT_EQ(file.Get("Parameters", "; a comment inside a section", "def"), "def");
    // A key of the second [Form] section is not seen.
    EXPECT_EQ(file.Get("Form", "Height", "452"), "452");
    EXPECT_EQ(GetPrivateProfileString("extra stuff", "SOMETHING ELSE", "", path), "kept");
}

TEST(ProfileFile, DoubleByteNamesAreNotCaseFoldedOrCutAtTheirSecondByte) {
    ScratchFolder folder;
    const std::string path = folder.File("dbcs.ini");
    // 0x81 0x5D has ']' as its second byte; 0x83 0x41 and 0x83 0x61 differ only in a second
    // byte that looks like 'A' / 'a'.
    WriteAll(path, "[\x81\x5D]\r\n\x83\x41=upper\r\n");
    const ProfileFile file(path);
    EXPECT_EQ(file.Get("\x81\x5D", "\x83\x41", "none"), "upper");
    EXPECT_EQ(file.Get("\x81\x5D", "\x83\x61", "none"), "none");
}

TEST(ProfileFile, WritingOneKeyLeavesEveryOtherLineAsItWas) {
    ScratchFolder folder;
    const std::string path = folder.File("hand.ini");
    WriteAll(path, HandWritten);

    WritePrivateProfileString("Form", "Left", "203", path);
    WritePrivateProfileString("Form", "Widht", "715", path);
    WritePrivateProfileString("extra stuff", "something else", "changed", path);
    WritePrivateProfileString("File", "Save Name", "/data/ADdata.sdf", path);

    const std::string expected = "; settings written by hand\r\n"
                                 "orphan=before any section\r\n"
                                 "[form]\r\n"
                                 "Left=203\r\n"
                                 "  top\t=\t34\r\n"
                                 "Widht=715\r\n"
                                 "\r\n"
                                 "[Extra Stuff]\r\n"
                                 "something else=changed\r\n"
                                 "no equals sign here\r\n"
                                 "[PARAMETERS]\r\n"
                                 "number of data=2048\r\n"
                                 "Number Of Data=4096\r\n"
                                 "Sampling Interval=\r\n"
                                 "; a comment inside a section\r\n"
                                 "\r\n"
                                 "[Form]\r\n"
                                 "Left=999\r\n"
                                 "[File]\r\n"
                                 "Save Name=/data/ADdata.sdf\r\n";
    EXPECT_EQ(ReadAll(path), expected);
}

TEST(ProfileFile, KeepsForeignLineEndsAndClosesAnOpenLastLine) {
    ScratchFolder folder;
    const std::string path = folder.File("lf.ini");
    WriteAll(path, "[A]\nx=1\n[B]\ny=2");
    WritePrivateProfileString("B", "z", "3", path);
    WritePrivateProfileString("A", "x", "9", path);
    EXPECT_EQ(ReadAll(path), "[A]\nx=9\n[B]\ny=2\r\nz=3\r\n");

    WriteAll(path, "\xEF\xBB\xBF[B]\nq=\"quoted\"\n");
    EXPECT_EQ(GetPrivateProfileString("B", "q", "", path), "\"quoted\"");

    WriteAll(path, "[A]");
    WritePrivateProfileString("C", "k", "v", path);
    EXPECT_EQ(ReadAll(path), "[A]\r\n[C]\r\nk=v\r\n");

    // A last line cut after its CR is completed, not given a second CR that would end up in
    // its value.
    WriteAll(path, "[A]\r\nk=1\r");
    ProfileFile file(path);
    file.Set("A", "k", "2");
    file.Set("B", "x", "y");
    file.Set("A", "m", "3");
    EXPECT_EQ(file.Get("A", "k", ""), "2");
    EXPECT_EQ(file.Contents(), "[A]\r\nk=2\r\nm=3\r\n[B]\r\nx=y\r\n");
}

TEST(ProfileFile, MissingFileReadsAsEmptyAndIsCreatedOnWrite) {
    ScratchFolder folder;
    const std::string path = folder.File("none.ini");
    EXPECT_EQ(GetPrivateProfileString("Form", "Left", "203", path), "203");
    EXPECT_FALSE(std::filesystem::exists(path));

    WritePrivateProfileString("Form", "Left", "10", path);
    WritePrivateProfileString("Form", "Top", "20", path);
    WritePrivateProfileString("Parameters", "Wait Time", "0", path);
    EXPECT_EQ(ReadAll(path), "[Form]\r\nLeft=10\r\nTop=20\r\n[Parameters]\r\nWait Time=0\r\n");
}

TEST(ProfileFile, ValuesAreReadWithAtMost2047Bytes) {
    ScratchFolder folder;
    const std::string path = folder.File("long.ini");
    const std::string exact(2047, 'x');
    WritePrivateProfileString("S", "exact", exact, path);
    WritePrivateProfileString("S", "long", std::string(3000, 'y'), path);
    // A double-byte character across the limit is dropped whole.
    WritePrivateProfileString("S", "kanji", std::string(2046, 'z') + "\x8A\xBF", path);
    EXPECT_EQ(GetPrivateProfileString("S", "exact", "", path), exact);
    EXPECT_EQ(GetPrivateProfileString("S", "long", "", path), std::string(2047, 'y'));
    EXPECT_EQ(GetPrivateProfileString("S", "kanji", "", path), std::string(2046, 'z'));
    EXPECT_EQ(GetPrivateProfileString("S", "missing", std::string(2100, 'd'), path).size(), 2047u);
}

TEST(ProfileFile, RefusedWritesRaiseTheErrorWithThePath) {
    ScratchFolder folder;
    const std::string plain = folder.File("plain.txt");
    WriteAll(plain, "not a folder");
    const std::string paths[] = {folder.File("no-such-folder/a.ini"), plain + "/a.ini",
                                 folder.Path()};
    for (const std::string& path : paths) {
        try {
            WritePrivateProfileString("Form", "Left", "1", path);
            ADD_FAILURE() << "no error for " << path;
        } catch (const InOutError& error) {
            EXPECT_EQ(std::string(error.what()), path + " に書き込めません");
        }
    }
    EXPECT_EQ(ReadAll(plain), "not a folder");

    if (::geteuid() != 0) {
        const std::string readOnly = folder.File("ro.ini");
        WriteAll(readOnly, "[Form]\r\nLeft=5\r\n");
        ::chmod(readOnly.c_str(), 0444);
        EXPECT_THROW(WritePrivateProfileString("Form", "Left", "1", readOnly), InOutError);
        EXPECT_EQ(ReadAll(readOnly), "[Form]\r\nLeft=5\r\n");
    }
}

TEST(ProfileFile, WritesThroughATemporaryFileThatNeverStaysBehind) {
    ScratchFolder folder;
    const std::string real = folder.File("real.ini");
    const std::string link = folder.File("link.ini");
    WriteAll(real, "[A]\r\nx=1\r\n");
    ::chmod(real.c_str(), 0640);
    std::filesystem::create_symlink(real, link);

    WritePrivateProfileString("A", "x", "2", link);

    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadAll(real), "[A]\r\nx=2\r\n");
    struct stat status {};
    ASSERT_EQ(::stat(real.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 2);
}

TEST(ProfileFile, AFileTooLargeToHoldIsReadInPartAndNeverOverwritten) {
    ScratchFolder folder;
    const std::string path = folder.File("huge.ini");
    std::string bytes = "[A]\r\nx=1\r\n";
    bytes.resize(ProfileFile::MaxFileBytes + 100, 'q');
    WriteAll(path, bytes);

    ProfileFile file(path);
    EXPECT_EQ(file.Get("A", "x", ""), "1");
    file.Set("A", "x", "2");
    EXPECT_THROW(file.Save(), InOutError);
    EXPECT_EQ(std::filesystem::file_size(path), bytes.size());
}

TEST(ProfileFile, LineBreaksInTextsCannotAddLinesToTheFile) {
    ScratchFolder folder;
    const std::string path = folder.File("inject.ini");
    WritePrivateProfileString("Ch1", "Item", "a\r\n[File]\r\nSave Name=/etc/passwd", path);
    EXPECT_EQ(GetPrivateProfileString("File", "Save Name", "safe", path), "safe");
    EXPECT_EQ(GetPrivateProfileString("Ch1", "Item", "", path), "a  [File]  Save Name=/etc/passwd");
}

TEST(ProfileFile, ManyKeysWithOneSaveGiveTheSameFileAsKeyByKeyWrites) {
    ScratchFolder folder;
    const std::string one = folder.File("one.ini");
    const std::string each = folder.File("each.ini");
    WriteAll(one, HandWritten);
    WriteAll(each, HandWritten);
    const char* const keys[][3] = {{"Form", "Left", "1"},       {"Form", "Height", "2"},
                                   {"Parameters", "Memo", "m"}, {"Ch3", "Item", "i"},
                                   {"Ch3", "Scale", "V"},       {"form", "LEFT", "3"},
                                   {"File", "Save Name", "/x"}};
    ProfileFile file(one);
    for (const auto& key : keys) {
        file.Set(key[0], key[1], key[2]);
        WritePrivateProfileString(key[0], key[1], key[2], each);
    }
    file.Save();
    EXPECT_EQ(ReadAll(one), ReadAll(each));
}
