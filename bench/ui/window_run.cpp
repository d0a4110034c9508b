// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a measurement through `tessary-cli record` on the simulated card, then the same
// measurement through the real main window, and reports for both whether they kept up with
// the card (the time the run took against the time its bursts last), the CPU they used and
// their peak resident memory; for the window also where the charts' time went.
//
//   bench_window_run [--scans N] [--channels C] [--interval-us U] [--bursts B]
//                    [--size WxH] [--hold-seconds S] [--card-ini FILE] [--folder DIR]
//                    [--page P] [--no-cli]
//
// Defaults: one burst of 4 000 000 scans at 1 µs on 4 channels, the window at its default
// 715 x 452. --hold-seconds keeps the window open that long after the run (for a
// screenshot); --page shows page P (0 to 3) of the settings. The data files go to a temporary
// folder unless --folder is given. The machine may be shared: CPU shares are of one core and
// include time lost to other processes only as wall time.
#include "acquisition/SimulatedCard.h"
#include "acquisition/ui/ChartPanel.h"
#include "acquisition/ui/StripChart.h"
#include "app/ui/TApplication.h"
#include "app/ui/TForm1.h"
#include "bench/CliBeside.h"
#include "bench/ui/BenchDialogs.h"
#include "data/Dialogs.h"
#include "data/FileNames.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <string>

using namespace tessary;

namespace {

struct Options {
    long Scans = 4000000;
    int Channels = 4;
    int IntervalUs = 1;
    int Bursts = 1;
    int Width = 715;
    int Height = 452;
    int HoldSeconds = 0;
    std::string CardIni;
    std::string Folder;
    int Page = 3;
    bool Cli = true;
};

Options Parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string key = argv[i];
        if (key == "--no-cli") {
            options.Cli = false;
            continue;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "%s needs a value\n", key.c_str());
            std::exit(2);
        }
        const char* value = argv[++i];
        if (key == "--scans") {
            options.Scans = std::atol(value);
        } else if (key == "--channels") {
            options.Channels = std::atoi(value);
        } else if (key == "--interval-us") {
            options.IntervalUs = std::atoi(value);
        } else if (key == "--bursts") {
            options.Bursts = std::atoi(value);
        } else if (key == "--size") {
            if (std::sscanf(value, "%dx%d", &options.Width, &options.Height) != 2) {
                std::fprintf(stderr, "--size wants WxH\n");
                std::exit(2);
            }
        } else if (key == "--hold-seconds") {
            options.HoldSeconds = std::atoi(value);
        } else if (key == "--card-ini") {
            options.CardIni = value;
        } else if (key == "--page") {
            options.Page = std::atoi(value);
        } else if (key == "--folder") {
            options.Folder = value;
        } else {
            std::fprintf(stderr, "unknown option %s\n", key.c_str());
            std::exit(2);
        }
    }
    return options;
}

double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
}

double CpuSeconds(const rusage& usage) {
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

double OwnCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return CpuSeconds(usage);
}

struct CliRun {
    bool Ok = false;
    double Wall = 0.0;
    double Cpu = 0.0;
    long PeakKb = 0;
};

// The same measurement through the headless tool beside this program. It runs before the
// window exists: a child's peak RSS counts the pages of the process it was forked from.
CliRun RunCli(const Options& options, const QString& folder) {
    const std::string apm = (folder + QStringLiteral("/cli_run.apm")).toStdString();
    const std::string data = (folder + QStringLiteral("/cli_run.sdf")).toStdString();
    std::ofstream(apm, std::ios::binary)
        << "[Parameters]\r\nWait Time=0\r\nIteration=" << options.Bursts
        << "\r\nBurstInterval=1\r\nBurst Time Unit=0\r\nSampling Interval=" << options.IntervalUs
        << "\r\nSampling Time Unit=2\r\nNumber Of Data=" << options.Scans
        << "\r\nNumber of Channels=" << options.Channels - 1 << "\r\nFile Type=0\r\n";
    const std::string cli = CliBeside();
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        if (options.CardIni.empty()) {
            execl(cli.c_str(), cli.c_str(), "record", apm.c_str(), "-o", data.c_str(), "--yes",
                  static_cast<char*>(nullptr));
        } else {
            execl(cli.c_str(), cli.c_str(), "record", apm.c_str(), "-o", data.c_str(), "--yes",
                  "--card-config", options.CardIni.c_str(), static_cast<char*>(nullptr));
        }
        _exit(127);
    }
    CliRun run;
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) {
        return run;
    }
    run.Wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.Ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.Cpu = CpuSeconds(usage);
    run.PeakKb = usage.ru_maxrss;
    QFile::remove(QString::fromStdString(data));
    return run;
}

} // namespace

int main(int argc, char** argv) {
    const Options options = Parse(argc, argv);
    QTemporaryDir temporary;
    const QString folder =
        options.Folder.empty() ? temporary.path() : QString::fromStdString(options.Folder);
    CliRun cli;
    if (options.Cli) {
        cli = RunCli(options, folder);
    }

    const auto processStart = std::chrono::steady_clock::now();
    PrintedDialogs dialogs;
    TApplication app(argc, argv, dialogs);
    // The settings a previous run left beside this program would size the buffers at start-up.
    QFile::remove(QString::fromStdString(
        ReplaceExtension(QCoreApplication::applicationFilePath().toStdString(), ".ini")));
    NoFileDialogs fileDialogs;
    const SimulatedCardSettings card = options.CardIni.empty()
                                           ? SimulatedCardSettings{}
                                           : SimulatedCardSettings::Load(options.CardIni);
    TForm1 form(
        dialogs, fileDialogs, [](QDialog&) { return int(QDialog::Accepted); },
        std::make_unique<SimulatedCard>(card));
    form.FormShow();

    const QString fileName = folder + QStringLiteral("/window_run.sdf");
    QFile::remove(fileName);
    form.EditWaitTime->setText(QStringLiteral("0"));
    form.EditIteration->setText(QString::number(options.Bursts));
    form.EditBurstInterval->setText(QStringLiteral("1"));
    form.ComboBoxBITUnit->setCurrentIndex(0);
    form.EditSInterval->setText(QString::number(options.IntervalUs));
    form.ComboSampUnit->setCurrentIndex(2);
    form.EditDataNum->setText(QString::number(options.Scans));
    form.ComboChNum->setCurrentIndex(options.Channels - 1);
    form.ComboChNumChange();
    form.EditFileName->setText(fileName);
    form.PageControl1->setCurrentIndex(options.Page);
    form.move(0, 0);
    form.resize(options.Width, options.Height);
    form.show();

    QElapsedTimer clock;
    double cpuAtStart = 0.0;
    double cpuAtEnd = 0.0;
    QTimer::singleShot(300, &form, [&] {
        cpuAtStart = OwnCpuSeconds();
        clock.start();
        form.BtnAdStart->click();
    });
    QTimer watch;
    bool started = false;
    double seconds = 0.0;
    ChartPanel::FrameTimes frames;
    QObject::connect(&watch, &QTimer::timeout, &form, [&] {
        if (form.Running()) {
            started = true;
            return;
        }
        if (!started || seconds > 0.0) {
            return;
        }
        seconds = double(clock.nsecsElapsed()) / 1e9;
        cpuAtEnd = OwnCpuSeconds();
        frames = form.Charts().Times();
        // The charts draw the last scans at their next refresh.
        QTimer::singleShot(std::max(options.HoldSeconds * 1000, 2 * ChartPanel::RefreshIntervalMs),
                           &app, &QCoreApplication::quit);
    });
    watch.start(5);
    app.exec();
    const double processSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - processStart).count();
    rusage self{};
    getrusage(RUSAGE_SELF, &self);

    const double burstSeconds = double(options.Scans) * options.IntervalUs / 1e6;
    const double sampling = burstSeconds * options.Bursts;
    const bool overflow = form.TextStatus->text().contains(QStringLiteral("オーバーフロー"));
    std::printf("%d ch x %ld scans at %d us, %d burst(s): %.3f s of sampling; window %d x %d\n",
                options.Channels, options.Scans, options.IntervalUs, options.Bursts, sampling,
                options.Width, options.Height);
    std::printf("window (%d x %d, smallest %d x %d)\n", form.width(), form.height(),
                form.minimumSizeHint().width(), form.minimumSizeHint().height());
    std::printf("  run took            %.3f s (%.3f x the sampling time)\n", seconds,
                seconds / sampling);
    std::printf("  CPU during the run  %.1f %% of one core\n",
                100.0 * (cpuAtEnd - cpuAtStart) / seconds);
    std::printf("  CPU whole process   %.1f %% of one core (%.2f s in %.2f s)\n",
                100.0 * CpuSeconds(self) / processSeconds, CpuSeconds(self), processSeconds);
    std::printf("  peak RSS            %.1f MB\n", self.ru_maxrss / 1024.0);
    std::printf("  final status        %s / %s\n", form.EditPresentStatus->text().toUtf8().data(),
                form.TextStatus->text().toUtf8().data());
    std::printf("  overflow            %s\n", overflow ? "yes" : "no");
    std::printf("  data file bytes     %lld\n", QFileInfo(fileName).size());
    std::printf("  chart 1 samples     %lld\n",
                static_cast<long long>(form.Charts().Chart(0).Envelope().Count()));
    std::printf("  message boxes       %d\n", dialogs.Count);
    const double perRefresh = frames.Refreshes > 0 ? 1.0 / double(frames.Refreshes) : 0.0;
    const double perPaint = frames.Paints > 0 ? 1.0 / double(frames.Paints) : 0.0;
    std::printf("  chart frames        %lld refreshes (%.1f a second), %lld chart paints\n",
                static_cast<long long>(frames.Refreshes), double(frames.Refreshes) / seconds,
                static_cast<long long>(frames.Paints));
    std::printf("  per refresh         envelope update %.3f ms, series update %.3f ms\n",
                frames.EnvelopeMs * perRefresh, frames.LayoutMs * perRefresh);
    std::printf("  per chart paint     %.3f ms\n", frames.PaintMs * perPaint);
    std::printf("  charts in all       %.1f %% of one core (envelope %.1f, series %.1f, "
                "painting %.1f)\n",
                100.0 * (frames.EnvelopeMs + frames.LayoutMs + frames.PaintMs) / 1000.0 / seconds,
                100.0 * frames.EnvelopeMs / 1000.0 / seconds,
                100.0 * frames.LayoutMs / 1000.0 / seconds,
                100.0 * frames.PaintMs / 1000.0 / seconds);
    bool ok = !overflow && dialogs.Count == 0;
    if (options.Cli) {
        std::printf("tessary-cli record, the same run (before the window's)\n");
        std::printf("  process took        %.3f s (%.3f x the sampling time)%s\n", cli.Wall,
                    cli.Wall / sampling, cli.Ok ? "" : "  FAILED");
        std::printf("  CPU                 %.1f %% of one core\n", 100.0 * cli.Cpu / cli.Wall);
        std::printf("  peak RSS            %.1f MB\n", cli.PeakKb / 1024.0);
        std::printf("window peak RSS - tessary-cli peak RSS: %.1f MB\n",
                    (self.ru_maxrss - cli.PeakKb) / 1024.0);
        ok = ok && cli.Ok;
    }
    return ok ? 0 : 1;
}
