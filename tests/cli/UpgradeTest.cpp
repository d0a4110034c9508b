// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliFixture.h"
#include "CliProcess.h"
#include "SdfBytes.h"

#include <csignal>

using namespace clitest;

namespace {

class Upgrade : public CliFixture {
protected:
    // Layout 2, 3 channels of 100 data in 3 bursts; each burst's values count up from `base`
    // + its number × 1000, with 32767 (missing) at value 5.
    std::string WriteOld(const std::string& name, char version = '2', int base = 0) {
        SdfSpec spec;
        spec.Version = version;
        spec.ChNum = 3;
        spec.DataNum = 100;
        spec.Iteration = 3;
        spec.Rows = {{"a", "V"}, {"b", "V"}, {"c", "V"}};
        std::string bytes = SdfHeader(spec);
        for (int k = 0; k < 3; ++k) {
            std::vector<std::int16_t> values;
            for (int v = 0; v < 300; ++v) {
                values.push_back(static_cast<std::int16_t>(v == 5 ? 32767 : base + k * 1000 + v));
            }
            bytes += SdfBlock(spec, values);
        }
        Write(name, bytes);
        return bytes;
    }
    void ExpectConverted(const std::string& name, int base = 0) {
        const std::string sdf = Read(name);
        ASSERT_EQ(sdf.size(), 512u + 3 * 600) << "layout 4 blocks follow without padding";
        EXPECT_EQ(sdf[40], '4');
        for (int k = 0; k < 3; ++k) {
            for (int v = 0; v < 300; ++v) {
                ASSERT_EQ(Int16At(sdf, 512 + static_cast<std::size_t>(k * 600 + v * 2)),
                          v == 5 ? -32768 : base + k * 1000 + v)
                    << name << " block " << k << " value " << v;
            }
        }
        EXPECT_FALSE(HasConversionLeftovers());
    }
};

TEST_F(Upgrade, YesConvertsInPlaceToLayout4) {
    WriteOld("old.sdf");
    const CliResult r = RunCli({"upgrade", "old.sdf", "--yes"}, folder_);
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_NE(r.Err.find("ただ今、データ形式の更新中．．．．\n"), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("old.sdf: converted from layout 2 to layout 4"), std::string::npos);
    ExpectConverted("old.sdf");

    const CliResult again = RunCli({"upgrade", "old.sdf"}, folder_);
    EXPECT_EQ(again.ExitCode, 0);
    EXPECT_NE(again.Err.find("already layout 4"), std::string::npos);
}

TEST_F(Upgrade, Layout1IntervalsBecomeValuesWithUnits) {
    SdfSpec spec;
    spec.Version = '1';
    spec.SInterval = 1500;
    spec.BInterval = 3600000;
    spec.Iteration = 2;
    spec.DataNum = 2;
    Write("v1.sdf", SdfHeader(spec) + SdfBlock(spec, {1, 2}) + SdfBlock(spec, {3, 4}));
    ASSERT_EQ(RunCli({"upgrade", "v1.sdf", "-y"}, folder_).ExitCode, 0);
    const CliResult info = RunCli({"info", "v1.sdf", "--json"}, folder_);
    EXPECT_NE(info.Out.find("\"version\":4,"), std::string::npos) << info.Out;
    EXPECT_NE(info.Out.find("\"SInterval\":1500,\"SITUnit\":\"msec\",\"Iteration\":2,"
                            "\"BInterval\":1,\"BITUnit\":\"hr\""),
              std::string::npos)
        << info.Out;
    EXPECT_EQ(Read("v1.sdf").size(), 512u + 2 * 4);
}

TEST_F(Upgrade, WithoutAgreementTheFileStaysAsItWas) {
    const std::string old = WriteOld("old.sdf");
    CliResult r = RunCli({"upgrade", "old.sdf"}, folder_);
    EXPECT_EQ(r.ExitCode, 3);
    EXPECT_NE(r.Err.find("old.sdf: layout 2 is not converted: no terminal to ask on"),
              std::string::npos)
        << r.Err;
    EXPECT_EQ(Read("old.sdf"), old);

    CliProcess no({"upgrade", "old.sdf"}, folder_, CliProcess::Stdio::Terminal);
    ASSERT_TRUE(no.WaitFor("データの形式が旧式です。更新してよろしいですか。 [y/N]",
                           std::chrono::seconds(10)));
    no.Type("n\n");
    r = no.Finish();
    EXPECT_EQ(r.ExitCode, 3) << r.Out;
    EXPECT_EQ(Read("old.sdf"), old);

    CliProcess interrupted({"upgrade", "old.sdf"}, folder_, CliProcess::Stdio::Terminal);
    ASSERT_TRUE(interrupted.WaitFor("[y/N]", std::chrono::seconds(10)));
    interrupted.Send(SIGINT);
    r = interrupted.Finish();
    EXPECT_EQ(r.Signal, 0);
    EXPECT_EQ(r.ExitCode, 3) << r.Out;
    EXPECT_EQ(Read("old.sdf"), old);
}

TEST_F(Upgrade, YesOnTheTerminalConvertsWithAProgressBar) {
    WriteOld("old.sdf", '3');
    CliProcess yes({"upgrade", "old.sdf"}, folder_, CliProcess::Stdio::Terminal);
    ASSERT_TRUE(yes.WaitFor("[y/N]", std::chrono::seconds(10)));
    yes.Type("y\n");
    const CliResult r = yes.Finish();
    ASSERT_EQ(r.ExitCode, 0) << r.Out;
    EXPECT_NE(r.Out.find("] "), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find(" %"), std::string::npos);
    ExpectConverted("old.sdf");
}

TEST_F(Upgrade, CtrlCDuringTheCopyCancelsAndKeepsTheOldFile) {
    // 4 channels of 8192 data in 1500 bursts: long enough to be interrupted.
    SdfSpec spec;
    spec.Version = '2';
    spec.ChNum = 4;
    spec.DataNum = 8192;
    spec.Iteration = 1500;
    spec.Rows.assign(4, {"x", "V"});
    std::string bytes = SdfHeader(spec);
    const std::string block = SdfBlock(spec, std::vector<std::int16_t>(4 * 8192, 9));
    for (int k = 0; k < 1500; ++k) {
        bytes += block;
    }
    Write("big.sdf", bytes);
    CliProcess run({"upgrade", "big.sdf", "--yes"}, folder_);
    ASSERT_TRUE(run.WaitFor("ただ今、データ形式の更新中", std::chrono::seconds(10)));
    run.Send(SIGINT);
    const CliResult r = run.Finish();
    EXPECT_EQ(r.Signal, 0);
    EXPECT_EQ(r.ExitCode, 3) << r.Err;
    EXPECT_NE(r.Err.find("big.sdf: conversion cancelled; the file is unchanged"), std::string::npos)
        << r.Err;
    EXPECT_TRUE(Read("big.sdf") == bytes);
    EXPECT_FALSE(HasConversionLeftovers());
}

TEST_F(Upgrade, ABadFileIsReportedNotConverted) {
    Write("bad.sdf", "Standard Burst-Interval Data Format Ver.2 and then nothing");
    const CliResult r = RunCli({"upgrade", "bad.sdf", "--yes"}, folder_);
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(r.Err.rfind("tessary-cli: bad.sdf: ", 0), 0u) << r.Err;
    EXPECT_FALSE(HasConversionLeftovers());

    SdfSpec spec;
    spec.Version = '2';
    spec.Iteration = 4; // the file holds one block only
    spec.DataNum = 2;
    const std::string cut = SdfHeader(spec) + SdfBlock(spec, {1, 2});
    Write("cut.sdf", cut);
    const CliResult c = RunCli({"upgrade", "cut.sdf", "--yes"}, folder_);
    EXPECT_EQ(c.ExitCode, 1) << c.Err;
    EXPECT_EQ(Read("cut.sdf"), cut);
    EXPECT_FALSE(HasConversionLeftovers());
}

// Each conversion has a temporary file of its own: two upgrades started together in one folder
// (as `xargs -P2` does) each leave their own file converted.
TEST_F(Upgrade, TwoUpgradesInOneFolderStartedTogetherEachConvertTheirOwnFile) {
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        WriteOld("a.sdf", '2', 100);
        WriteOld("b.sdf", '3', 10000);
        CliProcess a({"upgrade", "a.sdf", "--yes"}, folder_);
        CliProcess b({"upgrade", "b.sdf", "--yes"}, folder_);
        const CliResult ra = a.Finish();
        const CliResult rb = b.Finish();
        ASSERT_EQ(ra.ExitCode, 0) << ra.Err;
        ASSERT_EQ(rb.ExitCode, 0) << rb.Err;
        ExpectConverted("a.sdf", 100);
        ExpectConverted("b.sdf", 10000);
    }
}

} // namespace
