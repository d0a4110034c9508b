// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's life: construction, the start-up sequence, closing, and the card's
// messages. The card itself is chosen and detected in TForm1Card.cpp.
#include "app/ui/TForm1.h"

#include "acquisition/MeasurementSetup.h"
#include "acquisition/RunControl.h"
#include "acquisition/SimulatedCardSettings.h"
#include "app/ParameterCommands.h"
#include "app/ParameterFile.h"
#include "app/StartupDefaults.h"
#include "app/ui/AnalysisProgramCommand.h"
#include "app/ui/CardMessageEvent.h"
#include "app/ui/CutOffRecordingCheck.h"
#include "app/ui/HelpCommands.h"
#include "app/ui/PacedText.h"
#include "app/ui/QtStrings.h"
#include "app/ui/TAboutBox.h"
#include "data/DateTime.h"
#include "data/Dialogs.h"
#include "data/FileNames.h"
#include "data/MeasurementParameters.h"
#include "texts/Texts.h"
#include "upgrade/OldFormatUpgrade.h"
#include "upgrade/ui/TFrmProgress.h"
#include "viewer/ui/ViewerWindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

namespace tessary {

namespace {

QFont WindowFont() {
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                      QStringLiteral("Noto Sans CJK JP")});
    font.setPixelSize(12);
    return font;
}

} // namespace

TForm1::TForm1(Dialogs& dialogs, FileDialogs& fileDialogs, ModalRunner runModal,
               std::unique_ptr<AdLib32> card, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), fileDialogs_(fileDialogs),
      runModal_(std::move(runModal)), sdfData_(dialogs), card_(std::move(card)),
      aboutBox_(std::make_unique<TAboutBox>()), progress_(std::make_unique<TFrmProgress>()),
      upgrader_(std::make_unique<OldFormatUpgrade>(*progress_)) {
    sdfData_.SetUpgrader(upgrader_.get());
    setObjectName(QStringLiteral("Form1"));
    setFont(WindowFont());
    PlaceFrame(QRect(203, 178, 715, 452));

    BuildMenus();
    auto* client = new QWidget(this);
    auto* layout = new QHBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(BuildPanel2(), 1);
    layout->addWidget(BuildPanel1());
    setCentralWidget(client);
    // The controls' own minimum decides when the font is larger than the one measured.
    setMinimumSize(minimumSizeHint().expandedTo(QSize(MinimumWidth, MinimumHeight)));

    setAcceptDrops(true);
    FormCreate();
}

TForm1::~TForm1() {
    QCoreApplication::instance()->removeEventFilter(this);
}

void TForm1::FormCreate() {
    QCoreApplication::instance()->installEventFilter(this);
    passTimer_.setSingleShot(true);
    passTimer_.setTimerType(Qt::PreciseTimer);
    connect(&passTimer_, &QTimer::timeout, this, &TForm1::RunPass);
    help_ = std::make_unique<HelpCommands>(dialogs_);
    cutOffCheck_ = new CutOffRecordingCheck(this);
    analysis_ = std::make_unique<AnalysisProgramCommand>(dialogs_, this, &fileDialogs_);
    for (std::size_t i = 0; i < StatusPanels.size(); ++i) {
        auto* panel = new QLabel(StatusBar1);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panel->setFixedWidth(i == 0 ? 150 : 250);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        StatusBar1->addWidget(panel);
        StatusPanels[i] = panel;
    }
    connect(&Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
}

void TForm1::FormShow() {
    runModal_(*aboutBox_);

    paths_ = ResolveProgramPaths(S(QCoreApplication::applicationFilePath()), CurrentUserFolders());
    if (FolderPart(paths_.IniFileName) != paths_.ProgramDir) {
        QDir().mkpath(Q(FolderPart(paths_.IniFileName)));
    }
    cardChoiceFile_ = CurrentUserFolders().Config + CardChoiceFileName;

    setWindowTitle(aboutBox_->ProductName());
    Timer1.setInterval(100);
    Timer1.start();

    MeasurementParameters& record = sdfData_.Record();
    ApplyStartupDefaults(record);
    ControlValues values = StartupControlValues(record, paths_.DataFolder);
    const std::string fileName = values.FileName;
    values.FileName = S(EditFileName->text());
    SetValues(values);

    if (card_) {
        cardGiven_ = true;
        UseCard(std::move(card_));
    } else {
        const SigrokCardSettings choice = LoadCardChoice();
        UseCard(MakeCard(choice.Card, choice));
    }
    SetCardChoosing(true);
    DetectTheCard();

    BtnAdStop->setEnabled(false);
    ComboChNumChange();
    EditPresentStatus->setText(QString::fromUtf8(texts::NotConvertedYet));
    EditTime->clear();

    SetFileName(fileName);
    Timer1Timer();
    ReadStartupSettings();
    GatherSettings(Values(), sdfData_, settings_, dialogs_, *this);
    SetupCharts();

    // After the window is up, so that a large file never delays it.
    QTimer::singleShot(0, this, [this, path = S(EditFileName->text())] {
        cutOffCheck_->Examine(path, [this, path](const RecordingContents& contents) {
            OfferToFinish(path, contents);
        });
    });
}

void TForm1::OfferToFinish(const std::string& path, const RecordingContents& contents) {
    if (Running() ||
        !dialogs_.Ask(MessageKind::Confirmation, texts::CutOffQuestion(path, contents.StatedBursts,
                                                                       contents.CompleteBursts))) {
        return;
    }
    cutOffCheck_->Repair(path, [this, path](const std::optional<RecordingRepair::Report>& report,
                                            const std::string& error) {
        if (!error.empty()) {
            dialogs_.ShowError(texts::CutOffNotRepaired(path, error));
        } else if (report && report->Result == RecordingRepair::Outcome::BeingRecorded) {
            dialogs_.ShowError(texts::BeingRecorded(path));
        } else if (report && report->Result == RecordingRepair::Outcome::Repaired) {
            dialogs_.ShowInformation(texts::CutOffRepaired(path, report->Found.CompleteBursts));
        }
    });
}

void TForm1::ReadStartupSettings() {
    ControlValues values = Values();
    ReadParameterFile(paths_.IniFileName, values, dialogs_);
    ApplyLoadedValues(values);
    const std::string folder = DataFileBrowseFolder(values.FileName, paths_.DataFolder);
    if (!folder.empty()) {
        saveDialog1Folder_ = Q(folder);
    }
}

bool TForm1::Running() const {
    return run_ && run_->Running();
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A load that converts an old layout cannot be left half done: cancel it first.
    if (fileOperation_) {
        event->ignore();
        return;
    }
    // Closing stops a run as Stop does, so that the file is finished, and closes even when
    // the settings cannot be written: a window that cannot be closed helps nobody.
    try {
        if (Running()) {
            run_->BtnAdStopClick();
        }
    } catch (const std::exception& error) {
        dialogs_.ShowError(error.what());
    }
    if (run_) {
        try {
            WriteParameterFile(paths_.IniFileName, Values());
        } catch (const std::exception& error) {
            dialogs_.ShowError(error.what());
        }
    }
    Timer1.stop();
    passTimer_.stop();
    for (const QPointer<ViewerWindow>& viewer : viewers_) {
        if (viewer) {
            viewer->close();
        }
    }
    event->accept();
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    SettleFrame();
    // A window that no window manager frames has no frame to wait for.
    QTimer::singleShot(std::chrono::seconds(2), this, [this] { pendingFrame_.reset(); });
}

void TForm1::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    SettleFrame();
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    SettleFrame();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == CardMessageEvent::EventType && watched == QCoreApplication::instance()) {
        if (const auto* message = dynamic_cast<const CardMessageEvent*>(event)) {
            AppWindowProc(*message);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::AppWindowProc(const CardMessageEvent& message) {
    if (run_) {
        run_->AppWindowProc(message.Code, message.Param);
    }
}

} // namespace tessary
