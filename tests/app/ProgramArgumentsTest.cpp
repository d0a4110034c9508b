// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ProgramArguments.h"

#include "tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tessary;
using Action = ProgramArguments::Action;

TEST(ProgramArguments, HelpAndVersionWinOverEverythingBeforeTheEndOfOptions) {
    EXPECT_EQ(ProgramArguments({"--help"}).What(), Action::Help);
    EXPECT_EQ(ProgramArguments({"-h"}).What(), Action::Help);
    EXPECT_EQ(ProgramArguments({"--version"}).What(), Action::Version);
    // Qt's options are still on the line when --help is first looked for.
    EXPECT_EQ(ProgramArguments({"-platform", "offscreen", "--version"}).What(), Action::Version);
    EXPECT_EQ(ProgramArguments({"a.apm", "b.sdf", "--help", "--version"}).What(), Action::Help);
    EXPECT_EQ(ProgramArguments({"--version", "--help"}).What(), Action::Version);
    // After "--" they are file names.
    const ProgramArguments named({"--", "--help"});
    EXPECT_EQ(named.What(), Action::Wrong);
    EXPECT_NE(named.Problem().find("--help: not a parameter file"), std::string::npos);
}

TEST(ProgramArguments, AParameterFileIsLoadedAndARecordingViewedAtStart) {
    EXPECT_EQ(ProgramArguments({}).What(), Action::Run);
    EXPECT_EQ(ProgramArguments({}).StartFile(), "");
    EXPECT_EQ(ProgramArguments({}).ViewFile(), "");
    for (const char* name : {"/data/setup.apm", "-x.apm"}) {
        const bool dashed = name[0] == '-';
        const ProgramArguments args =
            dashed ? ProgramArguments({"--", name}) : ProgramArguments({name});
        EXPECT_EQ(args.What(), Action::Run) << name;
        EXPECT_EQ(args.StartFile(), name);
        EXPECT_EQ(args.ViewFile(), "");
    }
    for (const std::vector<std::string>& line : std::vector<std::vector<std::string>>{
             {"RUN.SDF"}, {"--", "-dir.v2/run.tsd"}, {"--view", "capture.bin"}}) {
        const ProgramArguments args(line);
        EXPECT_EQ(args.What(), Action::Run) << line.back();
        EXPECT_EQ(args.ViewFile(), line.back());
        EXPECT_EQ(args.StartFile(), "");
    }
}

TEST(ProgramArguments, AnythingElseIsWrongUsageThatSaysWhy) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--view"}, "--view needs a FILE"},
        {{"--view", "a.sdf", "--view", "b.sdf"}, "--view given twice"},
        {{"--view", "a.sdf", "b.apm"}, "one FILE at most, not 2"},
        {{"-x"}, "unknown option \"-x\""},
        {{"a.apm", "b.apm"}, "one FILE at most, not 2"},
        {{"notes.txt"}, "notes.txt: not a parameter file (.apm) or a recording (.sdf, .tsd)"},
        {{"apm"}, "apm: not a parameter file"},
        {{"dir.apm/run"}, "dir.apm/run: not a parameter file"},
    };
    for (const auto& [args, problem] : cases) {
        const ProgramArguments parsed(args);
        EXPECT_EQ(parsed.What(), Action::Wrong) << args[0];
        EXPECT_EQ(parsed.Problem().rfind(problem, 0), 0u) << parsed.Problem();
        EXPECT_EQ(parsed.StartFile(), "");
    }
}

TEST(ProgramArguments, AStartFileMustBeAFileThatOpens) {
    const tessary::testing::ScratchFolder folder;
    tessary::testing::WriteAll(folder.File("setup.apm"), "[Form]\r\n");
    EXPECT_EQ(StartFileProblem(folder.File("setup.apm")), "");
    EXPECT_EQ(StartFileProblem(folder.File("missing.apm")),
              "cannot be opened (No such file or directory)");
    EXPECT_EQ(StartFileProblem(folder.Path()), "is not a file");
}
