// SPDX-License-Identifier: GPL-3.0-or-later
#include "ExportTesting.h"

#include "data/FileError.h"
#include "export/RecordingExport.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tessary;
using namespace tessary::testing;

namespace {

struct Export : ::testing::Test {
    ScratchFolder folder;
    ScriptedDialogs dialogs;

    std::unique_ptr<RecordingSource> Open(const std::string& name) {
        auto source = RecordingSource::Open(folder.File(name), dialogs);
        EXPECT_TRUE(source) << name;
        return source;
    }
    std::string Exported(const std::string& input, const std::string& output, ExportFormat format) {
        auto source = Open(input);
        EXPECT_TRUE(ExportRecording(*source, folder.File(output), {format}));
        return ReadAll(folder.File(output));
    }
};

// What a failed export says, from a child process whose files may grow to `limit` bytes; a
// file-size limit then is a write error like any other.
std::string FailureUnderSizeLimit(RecordingSource& source, const std::string& output,
                                  ExportFormat format, rlim_t limit) {
    int pipe[2];
    if (::pipe(pipe) != 0) {
        return "no pipe";
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit size{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &size);
        std::string said = "no error";
        try {
            ExportRecording(source, output, {format});
        } catch (const FileError& e) {
            said = e.Path() + ": " + e.what();
        }
        [[maybe_unused]] const ssize_t n = ::write(pipe[1], said.data(), said.size());
        ::_exit(0);
    }
    ::close(pipe[1]);
    std::string said;
    char buffer[512];
    ssize_t n = 0;
    while ((n = ::read(pipe[0], buffer, sizeof buffer)) > 0) {
        said.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return said;
}

} // namespace

TEST_F(Export, EitherFormatExportsTheSameTextsAndATsdExportsAsItWasRecorded) {
    for (const std::int16_t values : {0, 1}) {
        WriteRecording(folder.File("run.sdf"), false, 3, 5, values);
        WriteRecording(folder.File("run.tsd"), true, 3, 5, values);
        const std::string recorded = ReadAll(folder.File("run.tsd"));
        EXPECT_EQ(Exported("run.tsd", "tsd.tsd", ExportFormat::Tsd), recorded);
        // An SDF memo is read with its field's padding, as the program reads it.
        std::string fromSdf = recorded;
        fromSdf.replace(fromSdf.find("export"), 6, "export" + std::string(154, ' '));
        EXPECT_EQ(Exported("run.sdf", "sdf.tsd", ExportFormat::Tsd), fromSdf);
        const std::string csv = Exported("run.sdf", "sdf.csv", ExportFormat::Csv);
        EXPECT_EQ(Exported("run.tsd", "tsd.csv", ExportFormat::Csv), csv);
        EXPECT_NE(csv.find("\r\n2,0.00002,52,"), std::string::npos) << csv;
        for (const char* name : {"tsd.tsd", "sdf.tsd", "sdf.csv", "tsd.csv"}) {
            std::filesystem::remove(folder.File(name));
        }
    }
}

TEST_F(Export, ACancelledExportLeavesTheEarlierOutputAsItWas) {
    WriteRecording(folder.File("run.sdf"), false, 3);
    auto source = Open("run.sdf");
    for (const auto format : {ExportFormat::Tsd, ExportFormat::Csv, ExportFormat::Hdf5}) {
        WriteAll(folder.File("out.x"), "earlier");
        std::int64_t seen = -1;
        EXPECT_FALSE(ExportRecording(*source, folder.File("out.x"), {format},
                                     [&](std::int64_t done, std::int64_t total) {
                                         EXPECT_EQ(total, 3);
                                         seen = done;
                                         return done < 2;
                                     }));
        EXPECT_EQ(seen, 2);
        EXPECT_EQ(ReadAll(folder.File("out.x")), "earlier");
        EXPECT_EQ(FolderNames(folder.Path()), (std::vector<std::string>{"out.x", "run.sdf"}));
    }
}

TEST_F(Export, AFailedReadOrWriteLeavesTheEarlierOutputAsItWasAndSaysWhy) {
    WriteRecording(folder.File("run.tsd"), true, 3, 2000);
    WriteRecording(folder.File("run.sdf"), false, 3, 20000);
    const std::string earlier = "earlier output";
    WriteAll(folder.File("out.h5"), earlier);

    // Every format hits the limit inside the bursts of the larger recording; HDF5 copies
    // samples without per-burst values from file to file, and writes the others itself.
    auto sdf = Open("run.sdf");
    for (const auto format : {ExportFormat::Tsd, ExportFormat::Csv, ExportFormat::Hdf5}) {
        EXPECT_EQ(FailureUnderSizeLimit(*sdf, folder.File("out.h5"), format, 100000),
                  folder.File("out.h5") + ": cannot be written (File too large)");
        EXPECT_EQ(ReadAll(folder.File("out.h5")), earlier);
    }
    WriteRecording(folder.File("values.sdf"), false, 3, 20000, 1);
    EXPECT_EQ(FailureUnderSizeLimit(*Open("values.sdf"), folder.File("out.h5"), ExportFormat::Hdf5,
                                    100000),
              folder.File("out.h5") + ": cannot be written (File too large)");
    EXPECT_EQ(ReadAll(folder.File("out.h5")), earlier);
    std::filesystem::remove(folder.File("values.sdf"));

    // The recording changes after it was examined: its last burst is no longer whole.
    auto tsd = Open("run.tsd");
    const std::string text = ReadAll(folder.File("run.tsd"));
    WriteAll(folder.File("run.tsd"), text.substr(0, text.size() - 10));
    try {
        ExportRecording(*tsd, folder.File("out.h5"), {ExportFormat::Hdf5});
        ADD_FAILURE() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Path(), folder.File("run.tsd"));
        EXPECT_STREQ(e.what(), "burst 3 ends at its line 2001");
    }
    EXPECT_EQ(ReadAll(folder.File("out.h5")), earlier);
    EXPECT_EQ(FolderNames(folder.Path()),
              (std::vector<std::string>{"out.h5", "run.sdf", "run.tsd"}));
}
