// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliFixture.h"
#include "CliProcess.h"
#include "tests/ScratchFolder.h"
#include "texts/Texts.h"

#include <regex>

using namespace clitest;

namespace {

using Help = CliFixture;

TEST_F(Help, TheOverviewAndEachCommandDescribeTheirOptions) {
    const CliResult overview = RunCli({"--help"}, folder_);
    ASSERT_EQ(overview.ExitCode, 0);
    for (const char* command : {"record", "info", "export", "upgrade"}) {
        EXPECT_NE(overview.Out.find(std::string("\n  ") + command), std::string::npos) << command;
    }
    const std::pair<const char*, std::vector<const char*>> commands[] = {
        {"record",
         {"-o, --output", "--type sdf|tsd", "--card-config", "--stop-after-seconds",
          "--stop-after-bursts", "--stop-in-burst B:N", "--yes"}},
        {"info", {"--json", "BlocksPresent"}},
        {"export", {"-o, --output", "OUT.csv", "OUT.tsd"}},
        {"upgrade", {"--yes", "データの形式が旧式です。更新してよろしいですか。"}},
    };
    for (const auto& [command, options] : commands) {
        const CliResult r = RunCli({command, "--help"}, folder_);
        EXPECT_EQ(r.ExitCode, 0) << command;
        EXPECT_EQ(r.Out.rfind(std::string("Usage: tessary-cli ") + command, 0), 0u) << r.Out;
        for (const char* option : options) {
            EXPECT_NE(r.Out.find(option), std::string::npos) << command << " " << option;
        }
    }
}

// One version, set by project(VERSION) in CMakeLists.txt, shown by the About box and
// --version alike.
TEST_F(Help, VersionIsTheProjectVersionThatTheAboutBoxShows) {
    const std::string cmake = tessary::testing::ReadAll(TESSARY_SOURCE_DIR "/CMakeLists.txt");
    const std::smatch project = [&] {
        std::smatch match;
        std::regex_search(cmake, match, std::regex(R"(project\(Tessary VERSION ([0-9.]+))"));
        return match;
    }();
    ASSERT_FALSE(project.empty());
    const std::string version = project[1];
    EXPECT_EQ(std::string(tessary::texts::ProductVersion), "Version " + version);

    const CliResult r = RunCli({"--version"}, folder_);
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Out.substr(0, r.Out.find('\n')), "tessary-cli (Tessary) " + version);
    EXPECT_NE(r.Out.find("GPL-3.0-or-later"), std::string::npos);
}

TEST_F(Help, AMissingOrUnknownCommandIsAUsageError) {
    CliResult r = RunCli({}, folder_);
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_NE(r.Err.find("Usage: tessary-cli COMMAND"), std::string::npos);
    r = RunCli({"frobnicate"}, folder_);
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_NE(r.Err.find("unknown command \"frobnicate\""), std::string::npos);
}

} // namespace
