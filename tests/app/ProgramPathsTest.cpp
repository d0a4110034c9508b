// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ProgramPaths.h"

#include "tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace tessary;
using tessary::testing::ScratchFolder;
using tessary::testing::WriteAll;

namespace {

// A scratch folder holding a program file at `programDir` (relative), the user's folders
// and, when asked, an installed data folder beside it.
struct Layout {
    explicit Layout(const std::string& programDir) {
        program = scratch.Path() + "/" + programDir + "/tessary";
        std::filesystem::create_directories(FolderOf(program));
        WriteAll(program, "");
        user.Config = scratch.Path() + "/config/tessary/";
        user.Home = scratch.Path() + "/home/";
    }
    static std::string FolderOf(const std::string& file) {
        return file.substr(0, file.rfind('/') + 1);
    }
    std::string Dir() const { return FolderOf(program); }
    void Put(const std::string& path) const {
        std::filesystem::create_directories(FolderOf(path));
        WriteAll(path, "[Card]\n");
    }

    ScratchFolder scratch;
    std::string program;
    UserFolders user;
};

} // namespace

TEST(ProgramPaths, TheBuildFolderKeepsEverythingBesideTheProgram) {
    const Layout build("build/bin");
    const ProgramPaths paths = ResolveProgramPaths(build.program, build.user);
    EXPECT_FALSE(paths.Installed());
    EXPECT_EQ(paths.ProgramDir, build.Dir());
    EXPECT_EQ(paths.IniFileName, build.Dir() + "tessary.ini");
    EXPECT_EQ(paths.HelpFileName, build.Dir() + "tessary.chm");
    EXPECT_EQ(paths.DataFolder, build.Dir());
    EXPECT_EQ(paths.CardSettingsFile, build.Dir() + "AdLibSim.ini");
}

TEST(ProgramPaths, AProgramInBinWithTheDataFolderBesideIsInstalledAndWritesOnlyForTheUser) {
    // Writable (the tests may run as root), and still never written to.
    const Layout root("usr/bin");
    const std::string share = root.scratch.Path() + "/usr/share/tessary/";
    std::filesystem::create_directories(share);
    WriteAll(share + "tessary.chm", "");

    const ProgramPaths paths = ResolveProgramPaths(root.program, root.user);
    EXPECT_TRUE(paths.Installed());
    EXPECT_EQ(paths.InstalledDataDir, share);
    EXPECT_EQ(paths.IniFileName, root.user.Config + "tessary.ini");
    EXPECT_EQ(paths.DataFolder, root.user.Home);
    EXPECT_EQ(paths.HelpFileName, share + "tessary.chm");

    // A help file beside the program comes first.
    WriteAll(root.Dir() + "tessary.chm", "");
    EXPECT_EQ(ResolveProgramPaths(root.program, root.user).HelpFileName,
              root.Dir() + "tessary.chm");
}

TEST(ProgramPaths, TheCardSettingsAreTakenBesideTheProgramThenFromTheUserThenTheInstalledOne) {
    const Layout root("usr/local/bin");
    const std::string share = root.scratch.Path() + "/usr/local/share/tessary/";
    std::filesystem::create_directories(share);
    const auto card = [&] { return ResolveProgramPaths(root.program, root.user).CardSettingsFile; };

    EXPECT_EQ(card(), root.Dir() + "AdLibSim.ini"); // none at all: the card's defaults
    root.Put(share + "AdLibSim.ini");
    EXPECT_EQ(card(), share + "AdLibSim.ini");
    root.Put(root.user.Config + "AdLibSim.ini");
    EXPECT_EQ(card(), root.user.Config + "AdLibSim.ini");
    root.Put(root.Dir() + "AdLibSim.ini");
    EXPECT_EQ(card(), root.Dir() + "AdLibSim.ini");

    // Not installed: the user's file still counts, an unrelated share folder does not.
    const Layout build("build/bin");
    build.Put(build.scratch.Path() + "/share/tessary/AdLibSim.ini");
    EXPECT_EQ(ResolveProgramPaths(build.program, build.user).CardSettingsFile,
              build.Dir() + "AdLibSim.ini");
    build.Put(build.user.Config + "AdLibSim.ini");
    EXPECT_EQ(ResolveProgramPaths(build.program, build.user).CardSettingsFile,
              build.user.Config + "AdLibSim.ini");
}

TEST(ProgramPaths, OnlyAFolderNamedBinWithShareTessaryBesideItCountsAsInstalled) {
    const Layout opt("opt/tessary");
    std::filesystem::create_directories(opt.scratch.Path() + "/opt/share/tessary");
    EXPECT_FALSE(ResolveProgramPaths(opt.program, opt.user).Installed());

    const Layout noData("usr/bin");
    std::filesystem::create_directories(noData.scratch.Path() + "/usr/share/other");
    EXPECT_FALSE(ResolveProgramPaths(noData.program, noData.user).Installed());

    const Layout notAFolder("usr/sbin");
    WriteAll(notAFolder.scratch.Path() + "/usr/share", "");
    EXPECT_EQ(InstalledDataFolder(notAFolder.scratch.Path() + "/usr/bin/"), "");
    EXPECT_EQ(InstalledDataFolder("bin/"), "");
    EXPECT_EQ(InstalledDataFolder(""), "");
}

TEST(ProgramPaths, AProgramFolderThatCannotBeWrittenSendsSettingsAndDataToTheUser) {
    const UserFolders user{"/cfg/tessary/", "/home/op/"};
    const ProgramPaths paths = ResolveProgramPaths("/nonexistent/bin.v2/tessary", user);
    EXPECT_FALSE(paths.Installed());
    EXPECT_EQ(paths.ProgramDir, "/nonexistent/bin.v2/");
    EXPECT_EQ(paths.IniFileName, "/cfg/tessary/tessary.ini");
    EXPECT_EQ(paths.HelpFileName, "/nonexistent/bin.v2/tessary.chm");
    EXPECT_EQ(paths.DataFolder, "/home/op/");
    EXPECT_FALSE(FolderWritable("/nonexistent/"));
}

TEST(UserFolders, TheSettingsFolderFollowsXdgConfigHomeWhenItIsAnAbsolutePath) {
    const char* savedHome = std::getenv("HOME");
    const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
    const std::string home = savedHome ? savedHome : "";
    const std::string config = savedConfig ? savedConfig : "";

    ::setenv("HOME", "/home/op", 1);
    ::setenv("XDG_CONFIG_HOME", "/xdg/cfg/", 1);
    EXPECT_EQ(CurrentUserFolders().Home, "/home/op/");
    EXPECT_EQ(CurrentUserFolders().Config, "/xdg/cfg/tessary/");
    ::setenv("XDG_CONFIG_HOME", "relative/cfg", 1);
    EXPECT_EQ(CurrentUserFolders().Config, "/home/op/.config/tessary/");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(CurrentUserFolders().Config, "/home/op/.config/tessary/");
    ::setenv("HOME", "", 1);
    EXPECT_FALSE(CurrentUserFolders().Home.empty()); // from the password database
    EXPECT_EQ(CurrentUserFolders().Home.back(), '/');

    savedHome ? ::setenv("HOME", home.c_str(), 1) : ::unsetenv("HOME");
    savedConfig ? ::setenv("XDG_CONFIG_HOME", config.c_str(), 1) : ::unsetenv("XDG_CONFIG_HOME");
}
