// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/ManPage.h"
#include "CliFixture.h"
#include "CliProcess.h"

#include <regex>

using namespace clitest;
using namespace tessary::testing;

namespace {

using ManPage = CliFixture;

const std::string Page = TESSARY_SOURCE_DIR "/man/tessary-cli.1";

// The commands the overview lists, from its lines "  name   summary" after "Commands:".
std::vector<std::string> CommandsIn(const std::string& overview) {
    std::vector<std::string> commands;
    const std::size_t start = overview.find("Commands:\n");
    const std::size_t end = overview.find("\n\n", start);
    const std::string list = overview.substr(start, end - start);
    const std::regex line(R"(\n  ([a-z][a-z-]*) )");
    for (auto it = std::sregex_iterator(list.begin(), list.end(), line);
         it != std::sregex_iterator(); ++it) {
        commands.push_back((*it)[1]);
    }
    return commands;
}

// The statuses listed under .SH "EXIT STATUS" as ".B n" items.
std::set<std::string> ManExitStatuses(const std::string& text) {
    std::set<std::string> statuses;
    const std::size_t start = text.find("\n.SH EXIT STATUS");
    const std::size_t end = text.find("\n.SH ", start + 1);
    const std::string section = text.substr(start, end - start);
    const std::regex item(R"(\n\.B ([0-9])\n)");
    for (auto it = std::sregex_iterator(section.begin(), section.end(), item);
         it != std::sregex_iterator(); ++it) {
        statuses.insert((*it)[1]);
    }
    return statuses;
}

// Every command, option and exit status that --help prints stands in the man page, each
// command's in its own subsection, so the page cannot drift from the tool.
TEST_F(ManPage, DescribesEveryCommandOptionAndExitStatusThatHelpPrints) {
    const std::string text = ManText(Page);
    const CliResult overview = RunCli({"--help"}, folder_);
    ASSERT_EQ(overview.ExitCode, 0);
    for (const std::string& option : OptionsIn(overview.Out)) {
        EXPECT_TRUE(Mentions(text, option)) << option;
    }
    EXPECT_EQ(ManExitStatuses(text), ExitStatuses(overview.Out));

    const std::vector<std::string> commands = CommandsIn(overview.Out);
    ASSERT_GE(commands.size(), 4u);
    for (const std::string& command : commands) {
        const std::string section = ManSection(text, command);
        ASSERT_FALSE(section.empty()) << "no .SS " << command;
        const CliResult help = RunCli({command, "--help"}, folder_);
        ASSERT_EQ(help.ExitCode, 0) << command;
        const std::set<std::string> options = OptionsIn(help.Out);
        EXPECT_GE(options.size(), 3u) << command; // at least one of its own besides -h, --help
        for (const std::string& option : options) {
            const bool global = option == "-h" || option == "--help";
            EXPECT_TRUE(Mentions(global ? text : section, option)) << command << " " << option;
        }
        EXPECT_EQ(ExitStatuses(section), ExitStatuses(help.Out)) << command;
    }
}

TEST_F(ManPage, RendersWithoutWarnings) {
    EXPECT_EQ(GroffWarnings(Page), "");
}

// The helpers find what they should, so that the check above cannot pass by finding nothing.
TEST(ManPageHelpers, TakeOptionsAndSectionsAsWords) {
    EXPECT_EQ(OptionsIn("Usage: x [-o FILE] [--type sdf|tsd]\n  -y, --yes  Ctrl-C ring-buffer "
                        "-platform NAME (--json) 1899-12-30 --"),
              (std::set<std::string>{"-o", "--type", "-y", "--yes", "-platform", "--json"}));
    EXPECT_TRUE(Mentions("a --stop-in-burst B:N", "--stop-in-burst"));
    EXPECT_FALSE(Mentions("a --stop-in-burst-x", "--stop-in-burst"));
    EXPECT_FALSE(Mentions("--type", "-t"));
    const std::string page = ".SH COMMANDS\n.SS record PARAMS.apm\n-o\n.SS info FILE\n--json\n"
                             ".SH EXIT STATUS\n";
    EXPECT_EQ(ManSection(page, "record"), "\n-o");
    EXPECT_EQ(ManSection(page, "info"), "\n--json");
    EXPECT_EQ(ManSection(page, "rec"), "");
    EXPECT_EQ(ExitStatuses("Exit status: 0 done, 1 failed,\n2 wrong usage.\n\n3 later"),
              (std::set<std::string>{"0", "1", "2"}));
}

} // namespace
