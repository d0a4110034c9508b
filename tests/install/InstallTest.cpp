// SPDX-License-Identifier: GPL-3.0-or-later
// Tessary installed into a scratch root as `cmake --install` lays it out for the Debian
// package (DESTDIR=root, prefix /usr): the files in their places, the installed programs
// finding the installed help, card settings and data folder, and the desktop files passing
// their validators.
#include "ChildProcess.h"
#include "tests/ScratchFolder.h"
#include "texts/Version.h"

#include <QMimeDatabase>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <set>

using namespace installtest;
using tessary::testing::ReadAll;
using tessary::testing::ScratchFolder;
using tessary::testing::WriteAll;

namespace {

namespace fs = std::filesystem;

// The simulated card's ramp: channel 0 starts each burst at raw word 0, stored as -10000 mV.
constexpr const char* RampCard = "[Card]\n[Ch1]\nSignal=ramp\n[Ch2]\nSignal=ramp\n";

// A parameter file of two bursts of 20 scans on one channel; `extra` lines end the
// section Parameters.
std::string Apm(const std::string& extra = "") {
    std::string text;
    for (const char* line : {"[Parameters]", "Wait Time=0", "Iteration=2", "BurstInterval=0",
                             "Burst Time Unit=0", "Sampling Interval=1", "Sampling Time Unit=1",
                             "Number Of Data=20", "Number of Channels=0"}) {
        text += std::string(line) + "\r\n";
    }
    return text + extra + "[Ch1]\r\nItem=P\r\nScale=kPa\r\nCoef A=1\r\nCoef B=0\r\n";
}

class Installed : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = scratch_.Path() + "/root";
        home_ = scratch_.Path() + "/home";
        config_ = scratch_.Path() + "/config";
        fs::create_directories(home_);
        const Outcome install =
            RunProgram(TESSARY_CMAKE_COMMAND, {"--install", TESSARY_BUILD_DIR, "--prefix", "/usr"},
                       {{"DESTDIR", root_}}, "");
        ASSERT_EQ(install.ExitCode, 0) << install.Out << install.Err;
        ASSERT_TRUE(fs::is_regular_file(Usr("bin/tessary-cli")));
    }

    std::string Usr(const std::string& path) const { return root_ + "/usr/" + path; }
    // The user's folders of the installed programs: nothing of the real user's is touched.
    std::map<std::string, std::string> User() const {
        return {{"HOME", home_}, {"XDG_CONFIG_HOME", config_}};
    }
    // Where the desktop looks for MIME types: the root's first, then the system's.
    std::map<std::string, std::string> DataDirs() const {
        return {{"XDG_DATA_DIRS", Usr("share") + ":/usr/share"},
                {"XDG_DATA_HOME", scratch_.Path() + "/data"}};
    }
    std::set<std::string> BinFolder() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(Usr("bin"))) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    ScratchFolder scratch_;
    std::string root_;
    std::string home_;
    std::string config_;
};

// Width and height from a PNG file's header chunk.
std::pair<int, int> PngSize(const std::string& path) {
    const std::string bytes = ReadAll(path);
    if (bytes.size() < 24 || bytes.compare(1, 3, "PNG") != 0) {
        return {0, 0};
    }
    const auto at = [&](std::size_t i) {
        int value = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            value = (value << 8) | static_cast<unsigned char>(bytes[i + k]);
        }
        return value;
    };
    return {at(16), at(20)};
}

TEST_F(Installed, EveryFileLiesInItsUsualPlace) {
    const std::string id = tessary::ApplicationId;
    const std::vector<std::string> paths = {"bin/tessary",
                                            "bin/tessary-cli",
                                            "share/tessary/tessary.chm",
                                            "share/tessary/AdLibSim.ini",
                                            "share/applications/" + id + ".desktop",
                                            "share/metainfo/" + id + ".metainfo.xml",
                                            "share/mime/packages/tessary.xml",
                                            "share/icons/hicolor/scalable/apps/tessary.svg",
                                            "share/man/man1/tessary.1.gz",
                                            "share/man/man1/tessary-cli.1.gz",
                                            "share/doc/tessary/copyright"};
    for (const std::string& path : paths) {
        EXPECT_TRUE(fs::is_regular_file(Usr(path))) << path;
    }
    for (const int size : {64, 128, 256}) {
        const std::string png = Usr("share/icons/hicolor/" + std::to_string(size) + "x" +
                                    std::to_string(size) + "/apps/tessary.png");
        EXPECT_EQ(PngSize(png), std::make_pair(size, size)) << png;
    }
    const fs::perms exec = fs::perms::owner_exec | fs::perms::others_exec;
    EXPECT_EQ(fs::status(Usr("bin/tessary")).permissions() & exec, exec);
    if (fs::exists(TESSARY_SOURCE_DIR "/python/tessary")) {
        EXPECT_TRUE(fs::is_directory(Usr("lib/python3/dist-packages/tessary")));
    }
}

TEST_F(Installed,
       TheToolRecordsWithTheInstalledCardUnlessTheUserHasOneAndWritesNothingBesideItself) {
    const std::set<std::string> bin = BinFolder();
    const std::string cli = Usr("bin/tessary-cli");
    const std::string work = scratch_.Path() + "/work";
    fs::create_directories(work);
    WriteAll(work + "/run.apm", Apm());

    // The installed default, here turned into a ramp, is the card's settings file.
    WriteAll(Usr("share/tessary/AdLibSim.ini"), RampCard);
    Outcome r = RunProgram(cli, {"record", "run.apm", "-o", "run.sdf"}, User(), work);
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    r = RunProgram(cli, {"info", "run.sdf"}, User(), work);
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_NE(r.Out.find("BlocksPresent: 2"), std::string::npos) << r.Out;
    r = RunProgram(cli, {"export", "run.sdf", "-o", "run.csv"}, User(), work);
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const std::string csv = ReadAll(work + "/run.csv");
    EXPECT_EQ(csv.substr(0, csv.find("\r\n1,0.001")), "burst,time_s,P [kPa]\r\n1,0,-10000");

    // The user's own settings come before it: a card that is not there.
    fs::create_directories(config_ + "/tessary");
    WriteAll(config_ + "/tessary/AdLibSim.ini", "[Card]\nPresent=0\n");
    r = RunProgram(cli, {"record", "run.apm", "-o", "none.sdf"}, User(), work);
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("AD変換カードが入っていません。"), std::string::npos) << r.Err;

    EXPECT_EQ(BinFolder(), bin);
    r = RunProgram(cli, {"--version"}, User(), work);
    EXPECT_EQ(r.Out.substr(0, r.Out.find('\n')),
              std::string("tessary-cli (Tessary) ") + tessary::ProgramVersion);
}

// The installed window under Xvfb, started on a parameter file as a double-click starts it,
// then ended by SIGTERM as a session ends it: the file was loaded after the settings of the
// last session, and the settings went to the user's folder with the default data file in
// the home folder.
TEST_F(Installed, TheWindowLoadsTheFileItIsGivenAndKeepsItsSettingsForTheUser) {
    const std::string tessary = Usr("bin/tessary");
    std::map<std::string, std::string> noDisplay = User();
    noDisplay["DISPLAY"] = "";
    noDisplay["WAYLAND_DISPLAY"] = "";
    noDisplay["QT_QPA_PLATFORM"] = "";
    Outcome r = RunProgram(tessary, {"--version"}, noDisplay, "");
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Out.substr(0, r.Out.find('\n')),
              std::string("tessary (Tessary) ") + tessary::ProgramVersion);
    r = RunProgram(tessary, {"--help"}, noDisplay, "");
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Out.rfind("Usage: tessary [FILE]", 0), 0u);

    const std::set<std::string> bin = BinFolder();
    fs::create_directories(config_ + "/tessary");
    WriteAll(config_ + "/tessary/tessary.ini", "[Parameters]\r\nIteration=5\r\nWait Time=9\r\n");
    const std::string apm = scratch_.Path() + "/start.apm";
    WriteAll(apm, Apm("Memo=from the command line\r\n"));

    const VirtualScreen screen;
    ASSERT_FALSE(screen.Display().empty()) << "Xvfb did not start";
    std::map<std::string, std::string> environment = User();
    environment["DISPLAY"] = screen.Display();
    environment["QT_QPA_PLATFORM"] = "xcb";
    ChildProcess window(tessary, {apm}, environment, scratch_.Path());
    ASSERT_TRUE(window.WaitUntilItCatches(SIGTERM, std::chrono::seconds(30)));
    window.Send(SIGTERM);
    const Outcome ended = window.Finish(std::chrono::seconds(30));
    EXPECT_EQ(ended.Signal, 0);
    EXPECT_EQ(ended.ExitCode, 0) << ended.Err;

    const std::string ini = ReadAll(config_ + "/tessary/tessary.ini");
    EXPECT_NE(ini.find("Iteration=2\r\n"), std::string::npos) << ini; // the file's
    EXPECT_NE(ini.find("Wait Time=0\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Memo=from the command line\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Save Name=" + home_ + "/ADdata.sdf\r\n"), std::string::npos) << ini;
    EXPECT_EQ(BinFolder(), bin);
}

TEST_F(Installed, TheDesktopEntryAndTheMetadataPassTheirValidators) {
    const std::string id = tessary::ApplicationId;
    Outcome r = RunProgram("/usr/bin/desktop-file-validate",
                           {Usr("share/applications/" + id + ".desktop")}, {}, "");
    EXPECT_EQ(r.ExitCode, 0) << r.Out << r.Err;
    EXPECT_EQ(r.Out + r.Err, "");
    r = RunProgram("/usr/bin/appstreamcli",
                   {"validate", "--no-net", Usr("share/metainfo/" + id + ".metainfo.xml")}, {}, "");
    EXPECT_EQ(r.ExitCode, 0) << r.Out << r.Err;
    r = RunProgram("/usr/bin/update-mime-database", {Usr("share/mime")}, DataDirs(), "");
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
}

// After the MIME database of the root is built, a recording or parameter file is known by
// its name in either case and, without a known name, by its first bytes; the desktop entry
// offers exactly these types.
TEST_F(Installed, RecordingsAndParameterFilesAreKnownByTheirFirstBytesAndByTheirNames) {
    ASSERT_EQ(
        RunProgram("/usr/bin/update-mime-database", {Usr("share/mime")}, DataDirs(), "").ExitCode,
        0);
    for (const auto& [name, value] : DataDirs()) {
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    const QMimeDatabase types;

    const std::string files = scratch_.Path() + "/files";
    fs::create_directories(files);
    const std::pair<std::string, std::string> cases[] = {
        {"a", "Standard Burst-Interval Data Format Ver.4    "},
        {"b", "Time Series Data Text Format Ver.2\r\nmemo\r\n"},
        {"c", "[Form]\r\nLeft=1\r\n"},
        {"d", "[Parameters]\r\nIteration=2\r\n"},
        {"RUN.SDF", ""},
        {"run.tsd", "1,2,3\r\n"},
        {"setup.apm", ""},
        {"notes", "just some text\n"},
    };
    const char* expected[] = {"application/x-tessary-sdf", "text/x-tessary-tsd",
                              "application/x-tessary-apm", "application/x-tessary-apm",
                              "application/x-tessary-sdf", "text/x-tessary-tsd",
                              "application/x-tessary-apm", "text/plain"};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string path = files + "/" + cases[i].first;
        WriteAll(path, cases[i].second);
        EXPECT_EQ(types.mimeTypeForFile(QString::fromStdString(path)).name().toStdString(),
                  expected[i])
            << cases[i].first;
    }

    const std::string desktop =
        ReadAll(Usr("share/applications/" + std::string(tessary::ApplicationId) + ".desktop"));
    EXPECT_NE(desktop.find("\nMimeType=application/x-tessary-sdf;text/x-tessary-tsd;"
                           "application/x-tessary-apm;\n"),
              std::string::npos);
    EXPECT_NE(desktop.find("\nExec=tessary %f\n"), std::string::npos);
}

} // namespace
