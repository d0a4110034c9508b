// SPDX-License-Identifier: GPL-3.0-or-later
// A run at 1 µs × 4 channels in the main window while a viewer window indexes a 1 GiB TSD,
// against the same run without a viewer, measured in one run: run, run with the viewer, run
// again (the baseline is the mean of the two runs without it). Reports each run's wall time,
// whether the card's ring overflowed, and how far the viewer got while the run lasted.
//
//   bench_viewer_during_run [--scans N] [--tsd-bursts B]
#include "acquisition/SimulatedCard.h"
#include "app/ui/TApplication.h"
#include "app/ui/TForm1.h"
#include "bench/RecordingFiles.h"
#include "bench/ui/BenchDialogs.h"
#include "data/FileNames.h"
#include "viewer/ui/ViewerWindow.h"

#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

using namespace tessary;

namespace {

struct RunResult {
    double Seconds = 0.0;
    bool Overflow = false;
    bool ViewerStillIndexing = false;
};

// Presses Start and waits until the run has ended; `during` is called right after Start.
RunResult Run(TForm1& form, const std::function<ViewerWindow*()>& during) {
    QFile::remove(form.EditFileName->text());
    QElapsedTimer clock;
    clock.start();
    form.BtnAdStart->click();
    ViewerWindow* viewer = during ? during() : nullptr;
    QEventLoop loop;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        if (!form.Running()) {
            loop.quit();
        }
    });
    watch.start(2);
    loop.exec();
    RunResult result;
    result.Seconds = double(clock.nsecsElapsed()) / 1e9;
    result.Overflow = form.TextStatus->text().contains(QStringLiteral("オーバーフロー"));
    result.ViewerStillIndexing = viewer != nullptr && viewer->Info() == nullptr;
    return result;
}

} // namespace

int main(int argc, char** argv) {
    long scans = 4000000;
    int tsdBursts = 470;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--scans") == 0) {
            scans = std::atol(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--tsd-bursts") == 0) {
            tsdBursts = std::atoi(argv[i + 1]);
        }
    }
    QTemporaryDir folder;
    const std::string tsd = (folder.path() + QStringLiteral("/big.tsd")).toStdString();
    bench::WriteInChild(tsd, true, 100000, static_cast<std::int16_t>(tsdBursts));

    PrintedDialogs dialogs;
    TApplication app(argc, argv, dialogs);
    QFile::remove(QString::fromStdString(
        ReplaceExtension(QCoreApplication::applicationFilePath().toStdString(), ".ini")));
    NoFileDialogs fileDialogs;
    TForm1 form(
        dialogs, fileDialogs, [](QDialog&) { return int(QDialog::Accepted); },
        std::make_unique<SimulatedCard>(SimulatedCardSettings{}));
    form.FormShow();
    form.EditWaitTime->setText(QStringLiteral("0"));
    form.EditIteration->setText(QStringLiteral("1"));
    form.EditSInterval->setText(QStringLiteral("1"));
    form.ComboSampUnit->setCurrentIndex(2);
    form.EditDataNum->setText(QString::number(scans));
    form.ComboChNum->setCurrentIndex(3);
    form.ComboChNumChange();
    form.EditFileName->setText(folder.path() + QStringLiteral("/run.sdf"));
    form.show();
    {
        QEventLoop settle;
        QTimer::singleShot(300, &settle, &QEventLoop::quit);
        settle.exec();
    }

    const RunResult before = Run(form, {});
    ViewerWindow* viewer = nullptr;
    const RunResult with = Run(form, [&] {
        viewer = form.OpenViewer(tsd);
        return viewer;
    });
    const RunResult after = Run(form, {});
    // The viewer's opening, to its end.
    QElapsedTimer indexing;
    indexing.start();
    while (viewer->Info() == nullptr && indexing.elapsed() < 120000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    const double baseline = (before.Seconds + after.Seconds) / 2.0;
    const double sampling = double(scans) * 1e-6;
    std::printf("4 ch x %ld scans at 1 us (%.1f s of sampling); a viewer opens a %.2f GiB TSD\n",
                scans, sampling, double(std::filesystem::file_size(tsd)) / (1 << 30));
    std::printf("  run without viewer     %.3f s%s\n", before.Seconds,
                before.Overflow ? "  OVERFLOW" : "");
    std::printf("  run with the viewer    %.3f s%s (viewer %s at the run's end)\n", with.Seconds,
                with.Overflow ? "  OVERFLOW" : "",
                with.ViewerStillIndexing ? "still indexing" : "done indexing");
    std::printf("  run without, again     %.3f s%s\n", after.Seconds,
                after.Overflow ? "  OVERFLOW" : "");
    std::printf("  with / without         %.3f (target <= 1.05)\n", with.Seconds / baseline);
    std::printf("  viewer: %lld complete bursts found\n", static_cast<long long>(viewer->Bursts()));
    const bool ok = !before.Overflow && !with.Overflow && !after.Overflow &&
                    with.Seconds <= 1.05 * baseline && dialogs.Count == 0;
    std::printf("  %s\n", ok ? "target met" : "target MISSED");
    viewer->close();
    return ok ? 0 : 1;
}
