// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AnalysisProgram.h"
#include "data/Errors.h"

#include "tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace tessary;
using namespace tessary::testing;
using namespace std::chrono_literals;

namespace {

struct Box {
    MessageKind Kind;
    std::string Text;
    MessageButtons Buttons;
};

class ScriptedDialogs : public Dialogs {
public:
    MessageAnswer Show(MessageKind kind, const std::string& text, MessageButtons buttons) override {
        Boxes.push_back({kind, text, buttons});
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : Answer;
    }
    MessageAnswer Answer = MessageAnswer::No;
    std::vector<Box> Boxes;
};

class ScriptedChooser : public ProgramFileChooser {
public:
    std::optional<std::string> ChooseProgramFile(const std::string& current) override {
        Proposed.push_back(current);
        return Choice;
    }
    std::optional<std::string> Choice;
    std::vector<std::string> Proposed;
};

// The started program's report, once it has written it.
std::string AwaitReport(const std::string& path) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < deadline) {
        const std::string text = ReadAll(path);
        if (!text.empty() && text.back() == '\n') {
            return text;
        }
        std::this_thread::sleep_for(10ms);
    }
    return {};
}

class AnalysisProgramTest : public ::testing::Test {
protected:
    AnalysisProgramTest() {
        std::filesystem::create_directories(programDir);
        std::filesystem::create_directories(dataDir);
    }

    // A script that writes its folder, argument count, parent, session and whether it holds
    // descriptor 57 into `report`.
    std::string WriteProgram(const std::string& path, mode_t mode = 0755) {
        WriteAll(path, "#!/bin/sh\n"
                       "n=$#\n"
                       "s=$(cat /proc/$$/stat)\n"
                       "set -- ${s##*) }\n"
                       "f=absent; [ -e /proc/$$/fd/57 ] && f=inherited\n"
                       "printf '%s|%s|%s|%s|%s\\n' \"$PWD\" \"$n\" \"$2\" \"$4\" \"$f\" > '" +
                           report + "'\n");
        ::chmod(path.c_str(), mode);
        return path;
    }

    ScratchFolder temp;
    std::string programDir = temp.File("program") + "/";
    std::string dataDir = temp.File("data");
    std::string report = temp.File("report.txt");
    ScriptedDialogs dialogs;
    ScriptedChooser chooser;
    AnalysisProgram program{dialogs, chooser};
    bool confirmed = true;
};

} // namespace

TEST(AnalysisProgramPaths, ChosenProgramElseOrvaneBesideThisProgram) {
    EXPECT_EQ(AnalysisProgram::ProgramPath("", "/opt/tessary/"), "/opt/tessary/Orvane.EXE");
    EXPECT_EQ(AnalysisProgram::ProgramPath("/usr/bin/orvane", "/opt/tessary/"), "/usr/bin/orvane");
}

TEST(AnalysisProgramPaths, WorkingFolderIsTheDataFilesFolder) {
    EXPECT_EQ(AnalysisProgram::WorkingFolder("/home/op/meas/a.sdf"), "/home/op/meas");
    EXPECT_EQ(AnalysisProgram::WorkingFolder("/a.sdf"), "/");
    EXPECT_EQ(AnalysisProgram::WorkingFolder("D:\\meas\\a.sdf"), "D:\\meas");
    EXPECT_EQ(AnalysisProgram::WorkingFolder("C:\\a.sdf"), "C:\\");
    EXPECT_EQ(AnalysisProgram::WorkingFolder("meas/sub/a.sdf"), "meas/sub");
    const std::string current = std::filesystem::current_path().string();
    EXPECT_EQ(AnalysisProgram::WorkingFolder("a.sdf"), current);
    EXPECT_EQ(AnalysisProgram::WorkingFolder(""), current);
}

TEST_F(AnalysisProgramTest, StartsDefaultProgramInDataFolderWithoutArgumentsAndDetached) {
    WriteProgram(programDir + "Orvane.EXE");
    const int open = ::open(temp.File("held.txt").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(open, 0);
    ASSERT_EQ(::dup2(open, 57), 57);
    ::close(open);
    std::string chosen;
    program.Run(chosen, confirmed, programDir, dataDir + "/run.sdf");
    ::close(57);

    const std::string text = AwaitReport(report);
    ASSERT_FALSE(text.empty()) << "the program did not run";
    const std::string folder = text.substr(0, text.find('|'));
    EXPECT_EQ(std::filesystem::canonical(folder), std::filesystem::canonical(dataDir));
    int arguments = -1;
    long parent = 0;
    long session = 0;
    char descriptor[16] = {};
    ASSERT_EQ(std::sscanf(text.c_str() + folder.size(), "|%d|%ld|%ld|%15[a-z]", &arguments, &parent,
                          &session, descriptor),
              4);
    EXPECT_EQ(arguments, 0);
    EXPECT_NE(parent, static_cast<long>(::getpid())) << "the program is still our child";
    EXPECT_NE(session, static_cast<long>(::getsid(0))) << "the program shares our session";
    EXPECT_STREQ(descriptor, "absent") << "the program inherited our open file";
    EXPECT_TRUE(dialogs.Boxes.empty());
    EXPECT_TRUE(chosen.empty());

    // Nothing of ours is left to reap: no zombie.
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST_F(AnalysisProgramTest, MissingProgramAsksChoosesStartsNothingThenStartsTheChoice) {
    const std::string script = WriteProgram(temp.File("analysis.sh"));
    dialogs.Answer = MessageAnswer::Yes;
    chooser.Choice = script;
    std::string chosen;

    program.Run(chosen, confirmed, programDir, dataDir + "/run.sdf");

    ASSERT_EQ(dialogs.Boxes.size(), 1u);
    EXPECT_EQ(dialogs.Boxes[0].Kind, MessageKind::Error);
    EXPECT_EQ(dialogs.Boxes[0].Buttons, MessageButtons::YesNo);
    EXPECT_EQ(dialogs.Boxes[0].Text, "アプリケーションファイルが見つかりません。指定しますか。");
    EXPECT_EQ(chooser.Proposed, std::vector<std::string>{""});
    EXPECT_EQ(chosen, script);
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(std::filesystem::exists(report)) << "the chosen program was started at once";

    program.Run(chosen, confirmed, programDir, dataDir + "/run.sdf");
    EXPECT_FALSE(AwaitReport(report).empty());
    EXPECT_EQ(dialogs.Boxes.size(), 1u);
}

TEST_F(AnalysisProgramTest, AnsweringNoLeavesTheChoiceAlone) {
    std::string chosen = temp.File("gone.sh");
    program.Run(chosen, confirmed, programDir, dataDir + "/run.sdf");
    EXPECT_EQ(dialogs.Boxes.size(), 1u);
    EXPECT_TRUE(chooser.Proposed.empty());
    EXPECT_EQ(chosen, temp.File("gone.sh"));
}

TEST_F(AnalysisProgramTest, FolderAtTheProgramPathCountsAsMissing) {
    std::filesystem::create_directories(programDir + "Orvane.EXE");
    std::string chosen;
    program.Run(chosen, confirmed, programDir, dataDir + "/run.sdf");
    ASSERT_EQ(dialogs.Boxes.size(), 1u);
    EXPECT_EQ(dialogs.Boxes[0].Buttons, MessageButtons::YesNo);
}

TEST_F(AnalysisProgramTest, FileThatCannotBeStartedIsReportedByName) {
    std::string notExecutable = WriteProgram(temp.File("plain.sh"), 0644);
    program.Run(notExecutable, confirmed, programDir, dataDir + "/run.sdf");

    std::string notAProgram = temp.File("garbage.bin");
    WriteAll(notAProgram, std::string("\x7f\x01\x02\x03 no program", 15));
    ::chmod(notAProgram.c_str(), 0755);
    program.Run(notAProgram, confirmed, programDir, dataDir + "/run.sdf");

    ASSERT_EQ(dialogs.Boxes.size(), 2u);
    EXPECT_EQ(dialogs.Boxes[0].Kind, MessageKind::Error);
    EXPECT_EQ(dialogs.Boxes[0].Buttons, MessageButtons::Ok);
    EXPECT_EQ(dialogs.Boxes[0].Text.rfind(notExecutable + " を起動できません", 0), 0u)
        << dialogs.Boxes[0].Text;
    EXPECT_EQ(dialogs.Boxes[1].Text.rfind(notAProgram + " を起動できません", 0), 0u)
        << dialogs.Boxes[1].Text;
    EXPECT_FALSE(std::filesystem::exists(report));
}

TEST_F(AnalysisProgramTest, MissingDataFolderIsReportedWithTheFolder) {
    std::string chosen = WriteProgram(temp.File("analysis.sh"));
    program.Run(chosen, confirmed, programDir, temp.File("no such folder") + "/run.sdf");
    ASSERT_EQ(dialogs.Boxes.size(), 1u);
    EXPECT_NE(dialogs.Boxes[0].Text.find(chosen + " を起動できません"), std::string::npos);
    EXPECT_NE(dialogs.Boxes[0].Text.find(temp.File("no such folder")), std::string::npos);
}

TEST_F(AnalysisProgramTest, PathsWithSpacesAreOneArgument) {
    std::filesystem::create_directories(temp.File("my tools"));
    std::filesystem::create_directories(temp.File("data dir"));
    std::string chosen = WriteProgram(temp.File("my tools/analysis program.sh"));
    program.Run(chosen, confirmed, programDir, temp.File("data dir") + "/run 1.sdf");

    const std::string text = AwaitReport(report);
    ASSERT_FALSE(text.empty()) << "the program did not run";
    EXPECT_EQ(std::filesystem::canonical(text.substr(0, text.find('|'))),
              std::filesystem::canonical(temp.File("data dir")));
    EXPECT_TRUE(dialogs.Boxes.empty());
}

TEST_F(AnalysisProgramTest, AssignProposesTheChoiceAndKeepsItOnCancel) {
    std::string chosen = "/opt/old/orvane";
    program.Assign(chosen, confirmed);
    EXPECT_EQ(chosen, "/opt/old/orvane");

    chooser.Choice = "/opt/new/orvane";
    program.Assign(chosen, confirmed);
    EXPECT_EQ(chosen, "/opt/new/orvane");
    EXPECT_EQ(chooser.Proposed, (std::vector<std::string>{"/opt/old/orvane", "/opt/old/orvane"}));
}

namespace {

TEST_F(AnalysisProgramTest, ARelativeProgramIsTheOneTestedAndStarted) {
    // Tested in the current folder, started in the data folder: the same file both times.
    std::filesystem::create_directories(temp.File("tools"));
    WriteProgram(temp.File("tools/analysis.sh"));
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(temp.Path());
    std::string chosen = "tools/analysis.sh";
    program.Run(chosen, confirmed, programDir, dataDir + "/run.sdf");
    std::filesystem::current_path(before);
    EXPECT_TRUE(dialogs.Boxes.empty()) << dialogs.Boxes.front().Text;
    EXPECT_FALSE(AwaitReport(report).empty()) << "the program did not run";
}

} // namespace

namespace {

TEST_F(AnalysisProgramTest, AProgramFromAParameterFileRunsOnlyOnceConfirmedByName) {
    std::string chosen = WriteProgram(temp.File("received.sh"));
    confirmed = false;
    program.Run(chosen, confirmed, programDir, dataDir + "/run.sdf");
    ASSERT_EQ(dialogs.Boxes.size(), 1u);
    EXPECT_EQ(dialogs.Boxes[0].Kind, MessageKind::Confirmation);
    EXPECT_EQ(dialogs.Boxes[0].Buttons, MessageButtons::YesNo);
    EXPECT_EQ(dialogs.Boxes[0].Text,
              "パラメータファイルで指定された次のプログラムを実行します。\n" + chosen +
                  "\nよろしいですか。");
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(std::filesystem::exists(report)) << "started without the operator's Yes";
    EXPECT_FALSE(confirmed);

    dialogs.Answer = MessageAnswer::Yes;
    program.Run(chosen, confirmed, programDir, dataDir + "/run.sdf");
    EXPECT_FALSE(AwaitReport(report).empty()) << "the program did not run";
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(dialogs.Boxes.size(), 2u);
    // Once confirmed, it is trusted like a chosen one.
    std::filesystem::remove(report);
    program.Run(chosen, confirmed, programDir, dataDir + "/run.sdf");
    EXPECT_FALSE(AwaitReport(report).empty());
    EXPECT_EQ(dialogs.Boxes.size(), 2u);

    // A program the operator chose in the dialog needs no question.
    confirmed = false;
    chooser.Choice = chosen;
    program.Assign(chosen, confirmed);
    EXPECT_TRUE(confirmed);
}

} // namespace
