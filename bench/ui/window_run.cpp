// Runs a measurement through the real main window on the simulated card and reports whether
// the window kept up: the time the run took against the time its bursts last, overflow, and
// the points the charts received.
//
//   bench_window_run [--scans N] [--channels C] [--interval-us U] [--bursts B]
//                    [--hold-seconds S] [--card-ini FILE] [--folder DIR] [--page P]
//
// Defaults: one burst of 1 000 000 scans at 10 µs on 4 channels. --hold-seconds keeps the
// window open that long after the run (for a screenshot); --page shows page P (0 to 3) of
// the settings. The data file goes to a
// temporary folder unless --folder is given.
#include "acquisition/SimulatedCard.h"
#include "acquisition/ui/ChartPanel.h"
#include "acquisition/ui/StripChart.h"
#include "app/ui/FileDialogs.h"
#include "app/ui/TApplication.h"
#include "app/ui/TForm1.h"
#include "data/Dialogs.h"

#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace tessary;

namespace {

// Boxes go to stderr; a question is answered Yes.
class PrintedDialogs final : public Dialogs {
public:
    MessageAnswer Show(MessageKind, const std::string& text, MessageButtons buttons) override {
        std::fprintf(stderr, "box: %s\n", text.c_str());
        ++Count;
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
    }
    int Count = 0;
};

class NoFileDialogs final : public FileDialogs {
public:
    std::optional<QString> OpenFileName(QWidget*, const QString&, const QString&,
                                        const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> SaveFileName(QWidget*, const QString&, const QString&,
                                        const QString&) override {
        return std::nullopt;
    }
};

struct Options {
    long Scans = 1000000;
    int Channels = 4;
    int IntervalUs = 10;
    int Bursts = 1;
    int HoldSeconds = 0;
    std::string CardIni;
    std::string Folder;
    int Page = 3;
};

Options Parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const char* value = argv[i + 1];
        if (key == "--scans") {
            options.Scans = std::atol(value);
        } else if (key == "--channels") {
            options.Channels = std::atoi(value);
        } else if (key == "--interval-us") {
            options.IntervalUs = std::atoi(value);
        } else if (key == "--bursts") {
            options.Bursts = std::atoi(value);
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

} // namespace

int main(int argc, char** argv) {
    const Options options = Parse(argc, argv);
    PrintedDialogs dialogs;
    TApplication app(argc, argv, dialogs);
    NoFileDialogs fileDialogs;
    const SimulatedCardSettings card = options.CardIni.empty()
                                           ? SimulatedCardSettings{}
                                           : SimulatedCardSettings::Load(options.CardIni);
    TForm1 form(
        dialogs, fileDialogs, [](QDialog&) { return int(QDialog::Accepted); },
        std::make_unique<SimulatedCard>(card));
    form.FormShow();

    QTemporaryDir temporary;
    const QString folder =
        options.Folder.empty() ? temporary.path() : QString::fromStdString(options.Folder);
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
    form.show();

    QElapsedTimer clock;
    QTimer::singleShot(300, &form, [&] {
        clock.start();
        form.BtnAdStart->click();
    });
    QTimer watch;
    bool started = false;
    double seconds = 0.0;
    QObject::connect(&watch, &QTimer::timeout, &form, [&] {
        if (form.Running()) {
            started = true;
            return;
        }
        if (!started || seconds > 0.0) {
            return;
        }
        seconds = double(clock.nsecsElapsed()) / 1e9;
        QTimer::singleShot(options.HoldSeconds * 1000, &app, &QCoreApplication::quit);
    });
    watch.start(5);
    app.exec();

    const double burstSeconds = double(options.Scans) * options.IntervalUs / 1e6;
    const bool overflow = form.TextStatus->text().contains(QStringLiteral("オーバーフロー"));
    std::printf("scans per burst     %ld\n", options.Scans);
    std::printf("channels            %d\n", options.Channels);
    std::printf("sampling interval   %d us\n", options.IntervalUs);
    std::printf("bursts              %d\n", options.Bursts);
    std::printf("burst duration      %.3f s\n", burstSeconds);
    std::printf("run took            %.3f s\n", seconds);
    std::printf("final status        %s / %s\n", form.EditPresentStatus->text().toUtf8().data(),
                form.TextStatus->text().toUtf8().data());
    std::printf("overflow            %s\n", overflow ? "yes" : "no");
    std::printf("data file bytes     %lld\n", QFileInfo(fileName).size());
    std::printf("chart 1 points      %zu\n", form.Charts().Chart(0).Envelope().Size());
    std::printf("message boxes       %d\n", dialogs.Count);
    return overflow || dialogs.Count > 0 ? 1 : 0;
}
