// SPDX-License-Identifier: GPL-3.0-or-later
#include "ExportTesting.h"

#include "data/FileError.h"
#include "export/TemporaryOutput.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace tessary;
using namespace tessary::testing;

TEST(TemporaryOutputTest, TheEarlierFileStaysUntilTheCommitAndNoTemporaryFileRemains) {
    ScratchFolder folder;
    const std::string path = folder.File("out.csv");
    WriteAll(path, "earlier");
    ::chmod(path.c_str(), 0640);
    {
        TemporaryOutput output(path);
        EXPECT_EQ(std::filesystem::path(output.WritePath()).parent_path(),
                  std::filesystem::path(path).parent_path());
        WriteAll(output.WritePath(), "abandoned");
        EXPECT_EQ(ReadAll(path), "earlier");
    }
    EXPECT_EQ(FolderNames(folder.Path()), std::vector<std::string>{"out.csv"});
    EXPECT_EQ(ReadAll(path), "earlier");

    TemporaryOutput output(path);
    WriteAll(output.WritePath(), "new");
    output.Commit();
    EXPECT_EQ(ReadAll(path), "new");
    EXPECT_EQ(FolderNames(folder.Path()), std::vector<std::string>{"out.csv"});
    struct stat status {};
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u) << "the earlier file's permission bits";
}

TEST(TemporaryOutputTest, ALinkKeepsPointingAtTheReplacedFile) {
    ScratchFolder folder;
    std::filesystem::create_directory(folder.File("data"));
    const std::string target = folder.File("data/out.h5");
    WriteAll(target, "earlier");
    std::filesystem::create_symlink(target, folder.File("link.h5"));
    TemporaryOutput output(folder.File("link.h5"));
    WriteAll(output.WritePath(), "new");
    output.Commit();
    EXPECT_TRUE(std::filesystem::is_symlink(folder.File("link.h5")));
    EXPECT_EQ(ReadAll(target), "new");
}

TEST(TemporaryOutputTest, AnOutputThatCannotBeWrittenSaysWhyAndNamesIt) {
    ScratchFolder folder;
    const auto reason = [](const std::string& path) -> std::string {
        try {
            TemporaryOutput output(path);
        } catch (const FileError& e) {
            EXPECT_EQ(e.Path(), path);
            return e.what();
        }
        return "no error";
    };
    EXPECT_EQ(reason(folder.File("none/out.tsd")), "cannot be created (No such file or directory)");
    std::filesystem::create_directory(folder.File("dir.tsd"));
    EXPECT_EQ(reason(folder.File("dir.tsd")), "cannot be written: it is not a regular file");
}
