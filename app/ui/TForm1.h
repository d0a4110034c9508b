// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/AdLib32.h"
#include "acquisition/CardName.h"
#include "acquisition/ControlValues.h"
#include "acquisition/RunSettings.h"
#include "acquisition/RunView.h"
#include "acquisition/SimulatedCardSettings.h"
#include "acquisition/sigrok/SigrokCardSettings.h"
#include "app/ProgramPaths.h"
#include "app/ui/QtCardMessagePoster.h"
#include "data/Clock.h"
#include "data/TFrmSDFdata.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QButtonGroup;
class QComboBox;
class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTabWidget;
class QTableWidget;

namespace tessary {

class AnalysisProgramCommand;
class CardMessageEvent;
class CardPage;
class CutOffRecordingCheck;
struct RecordingContents;
class ChartPanel;
class Dialogs;
class FileDialogs;
class HelpCommands;
class RunControl;
class SigrokCard;
class ViewerWindow;
class TAboutBox;
class TFrmProgress;
class OldFormatUpgrade;
class PacedText;

// The main window: the measurement's settings in its controls, the charts of the running
// burst, the menus, and the start-up sequence. Its work is split by job: TForm1.cpp (start-up,
// closing, card messages), TForm1Controls.cpp (building the controls), TForm1Values.cpp (the
// controls' values), TForm1Commands.cpp (buttons and menus), TForm1RunView.cpp (what a run
// shows).
class TForm1 : public QMainWindow, public RunView {
    Q_OBJECT
public:
    // Shows a dialog modally and returns its result; tests answer the About box with it.
    using ModalRunner = std::function<int(QDialog&)>;

    // The channel table's columns; their headings are texts::ChannelHeadings.
    static constexpr int ChannelColumns = 5;
    // The smallest window: the settings pages and the run group keep every control at its
    // own minimum size (with the window's 12-pixel font they need 691 x 429), and four
    // charts keep three value labels each. The default 715 x 452 is above it.
    static constexpr int MinimumWidth = 700;
    static constexpr int MinimumHeight = 440;

    // A card given here is used as it is, and the card page offers no other. Without one
    // the window records from the card that the card choice file in the user's settings
    // folder names (CardChoiceFileName): the simulated card, set up by the file
    // "AdLibSim.ini" (ProgramPaths::CardSettingsFile), or a sigrok device.
    TForm1(Dialogs& dialogs, FileDialogs& fileDialogs, ModalRunner runModal,
           std::unique_ptr<AdLib32> card = {}, QWidget* parent = nullptr);
    ~TForm1() override;

    // The start-up: the About box first, then defaults, card detection, the settings file,
    // the measurement set-up and the charts. Called once, before the window is first shown.
    // Once the window is up, a data file that a killed or powerless run cut off is looked at
    // in the background, and finishing it is offered.
    void FormShow();

    // The controls' values, and setting them (texts UTF-8, the comment's line breaks CR LF).
    ControlValues Values() const;
    void SetValues(const ControlValues& values);

    const ProgramPaths& Paths() const { return paths_; }
    TFrmSDFdata& SdfData() { return sdfData_; }
    TAboutBox& AboutBox() { return *aboutBox_; }
    ChartPanel& Charts() { return *chartPanel_; }
    const RunSettings& Settings() const { return settings_; }
    bool Running() const;

    // Event handlers.
    void BitBtn1Click();
    void RadioGroupFileTypeClick();
    void ComboChNumChange();
    void Timer1Timer();
    void Version1Click();
    void Exit1Click();
    void BtnAdStartClick();
    void BtnAdStopClick();
    void O1Click();
    // What O1Click does with the chosen name; also the file named on the command line.
    void LoadParametersFrom(const std::string& chosen);
    // "記録データの表示(&V)...": a viewer window for a recording the operator chooses.
    void ViewRecordingClick();
    // Opens a viewer window for the recording at `path` (also a file dropped on the window
    // or named on the command line). It never touches a run: the viewer reads on a thread of
    // its own. The viewers close with the main window.
    ViewerWindow* OpenViewer(const std::string& path);
    const std::vector<QPointer<ViewerWindow>>& Viewers() const { return viewers_; }
    void Save1Click();
    void AssignApplicationClick();
    void OrvaneClick();
    void Contents1Click();
    void BitBtn2Click();
    // The card page: another card chosen (or typed) in the list, and a new scan for devices.
    void ComboCardNameActivated();
    void BtnRescanClick();

    // What the run shows.
    void SetEditPresentStatus(const std::string& text) override;
    void SetEditTime(const std::string& text) override;
    void SetTextStatus(const std::string& text) override;
    void SetProgressBar1(int position) override;
    void SetBtnAdStartEnabled(bool enabled) override;
    void SetBtnAdStopEnabled(bool enabled) override;
    // Menus "ファイル(&F)" and "データ解析(&A)" off during a run and on again after it.
    void DisableMenus() override;
    void EnableMenus() override;
    void SetupCharts() override;
    void ShowConvertedScans(std::int32_t scans) override;
    void Panel2Resize() override;
    void FocusField(SettingField field, int channel) override;

    // Controls, named as the window names them.
    QTabWidget* PageControl1 = nullptr;
    QLineEdit* TextCardType = nullptr;
    QLineEdit* TextAdrs = nullptr;
    QLineEdit* TextIrqNo = nullptr;
    QLineEdit* TextStatus = nullptr;
    QComboBox* ComboCardName = nullptr;
    QPushButton* BtnRescan = nullptr;
    QPlainTextEdit* TextInputs = nullptr;
    QLineEdit* EditWaitTime = nullptr;
    QLineEdit* EditIteration = nullptr;
    QLineEdit* EditBurstInterval = nullptr;
    QComboBox* ComboBoxBITUnit = nullptr;
    QLineEdit* EditSInterval = nullptr;
    QComboBox* ComboSampUnit = nullptr;
    QLineEdit* EditDataNum = nullptr;
    QComboBox* ComboChNum = nullptr;
    QLineEdit* Edit1 = nullptr;
    QTableWidget* StringGridChannel = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QGroupBox* RadioGroupFileType = nullptr;
    QLineEdit* EditFileName = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BtnAdStart = nullptr;
    QPushButton* BtnAdStop = nullptr;
    QLineEdit* EditPresentStatus = nullptr;
    QLineEdit* EditTime = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    std::array<QLabel*, 2> StatusPanels{};
    QWidget* Panel1 = nullptr;
    QWidget* Panel2 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QMenu* File1 = nullptr;
    QMenu* Analysis1 = nullptr;
    QMenu* Help1 = nullptr;
    QTimer Timer1;

protected:
    void closeEvent(QCloseEvent* event) override;
    // Recordings (.sdf, .tsd) dropped on the window open in viewers.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Finish placing the frame once the window manager has framed the window.
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Installed on the application in FormCreate: passes the card library's messages to
    // AppWindowProc.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void AppWindowProc(const CardMessageEvent& message);
    // The simulated card's settings; a file that does not read is reported and the defaults
    // are used.
    SimulatedCardSettings LoadCardSettings();
    // The card choice file in the user's settings folder, read the same way.
    SigrokCardSettings LoadCardChoice();
    std::unique_ptr<AdLib32> MakeCard(const CardName& name, const SigrokCardSettings& settings);
    // Records from `card` from now on; only while no run goes on.
    void UseCard(std::unique_ptr<AdLib32> card);
    // Looks for the card and shows what was found; a card that is not there is the "no card"
    // path of start-up: its message, Start disabled, and the card's state naming what was
    // looked for.
    bool DetectTheCard();
    // The card page's choice and scan are off during a run and with a card given.
    void SetCardChoosing(bool enabled);
    void ReadStartupSettings();
    // Asks whether to finish the cut-off recording at `path`, and finishes it on Yes.
    void OfferToFinish(const std::string& path, const RecordingContents& contents);
    void ApplyLoadedValues(const ControlValues& values);
    void SchedulePass(std::chrono::milliseconds wait);
    void RunPass();
    void BuildMenus();
    QWidget* BuildPanel1();
    QWidget* BuildPanel2();
    QWidget* BuildCardPage();
    QWidget* BuildParameterPage();
    QWidget* BuildChannelPage();
    QWidget* BuildSavePage();
    QWidget* BuildRunGroup();

    // Places the window so that its frame, title bar and borders included, covers `frame`:
    // the settings keep the frame's position and size, which is what the window manager
    // places. The frame's size is known only once the window is framed; until then the
    // window keeps `frame` aside and takes it as its inner size.
    void PlaceFrame(const QRect& frame);
    void SettleFrame();
    void SetFileName(const std::string& fileName);
    void SetChannelRows(int channels);
    int FileType() const;
    void SetFileType(int fileType);
    void LimitMemo();

    Dialogs& dialogs_;
    FileDialogs& fileDialogs_;
    ModalRunner runModal_;
    TFrmSDFdata sdfData_;
    ProgramPaths paths_;
    std::unique_ptr<AdLib32> card_;
    bool cardGiven_ = false;
    CardName cardName_;
    SigrokCard* sigrokCard_ = nullptr; // card_, when it is a sigrok device
    std::string cardChoiceFile_;
    CardPage* cardPage_ = nullptr;
    QtCardMessagePoster cardWindow_;
    SystemClock clock_;
    RunSettings settings_;
    std::unique_ptr<RunControl> run_;
    QTimer passTimer_;
    std::unique_ptr<TAboutBox> aboutBox_;
    // Shows the conversion of an old SDF layout that a header read meets.
    std::unique_ptr<TFrmProgress> progress_;
    std::unique_ptr<OldFormatUpgrade> upgrader_;
    ChartPanel* chartPanel_ = nullptr;
    // EditTime as a run writes it: at most as often as the charts are drawn.
    std::unique_ptr<PacedText> editTimeText_;
    std::unique_ptr<HelpCommands> help_;
    std::unique_ptr<AnalysisProgramCommand> analysis_;
    CutOffRecordingCheck* cutOffCheck_ = nullptr;
    QButtonGroup* fileTypeButtons_ = nullptr;
    std::array<QRadioButton*, 2> fileTypeRadios_{};
    // Cells of channel-table rows dropped by a smaller channel count, restored when the
    // count grows again; a row never shown before gets k, "Ch.k", "mV", 1, 0.
    std::vector<std::optional<std::array<std::string, 5>>> droppedRows_;
    QString saveDialog1Folder_;
    std::vector<QPointer<ViewerWindow>> viewers_;
    std::string applicationSoftware_;
    bool applicationSoftwareConfirmed_ = true;
    // A load is going on; it may convert an old layout, whose progress window lets the
    // window handle events meanwhile.
    bool fileOperation_ = false;
    std::optional<QRect> pendingFrame_;
    bool settlingFrame_ = false;
};

} // namespace tessary
