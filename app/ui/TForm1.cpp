#include "app/ui/TForm1.h"

#include "acquisition/MeasurementSetup.h"
#include "acquisition/RunControl.h"
#include "acquisition/SimulatedCard.h"
#include "acquisition/SimulatedCardSettings.h"
#include "acquisition/ui/ChartPanel.h"
#include "app/ParameterCommands.h"
#include "app/ParameterFile.h"
#include "app/StartupDefaults.h"
#include "app/ui/AnalysisProgramCommand.h"
#include "app/ui/CardMessageEvent.h"
#include "app/ui/FileDialogs.h"
#include "app/ui/HelpCommands.h"
#include "app/ui/TAboutBox.h"
#include "data/Cp932.h"
#include "data/DateTime.h"
#include "data/Dialogs.h"
#include "data/FileNames.h"
#include "data/MeasurementParameters.h"
#include "upgrade/OldFormatUpgrade.h"
#include "upgrade/ui/TFrmProgress.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextCursor>
#include <QVBoxLayout>

#include <algorithm>

namespace tessary {

namespace {

constexpr qsizetype MemoMaxBytes = MemoBytes;
// Bounds of a placement taken from a settings file: any screen layout fits, while a size
// that no backing store can hold, or a position whose far edge overflows, cannot reach the
// window.
constexpr int MaxWindowExtent = 8192;
constexpr int MaxWindowOffset = 1000000;
constexpr int ChannelColumns = 5;
constexpr std::array<int, ChannelColumns> ChannelColumnWidths = {30, 63, 44, 63, 61};
const char* const ChannelHeadings[ChannelColumns] = {"No.", "項目名", "単位", "A", "B"};

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string S(const QString& text) {
    return text.toStdString();
}

QFont WindowFont() {
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                      QStringLiteral("Noto Sans CJK JP")});
    font.setPixelSize(12);
    return font;
}

QLineEdit* NamedEdit(const char* name, const QString& text, QWidget* parent) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

QComboBox* NamedList(const char* name, const QStringList& items, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QLatin1String(name));
    list->addItems(items);
    return list;
}

// Comment line breaks: CR LF in the values, a bare line feed in the edit control.
QString MemoToControl(const std::string& memo) {
    QString text = Q(memo);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

std::string MemoFromControl(const QString& text) {
    QString memo = text;
    memo.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return S(memo);
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
    move(203, 178);
    resize(715, 452);

    BuildMenus();
    auto* client = new QWidget(this);
    auto* layout = new QHBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(BuildPanel2(), 1);
    layout->addWidget(BuildPanel1());
    setCentralWidget(client);

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

void TForm1::BuildMenus() {
    File1 = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    File1->setObjectName(QStringLiteral("File1"));
    QAction* load = File1->addAction(QStringLiteral("計測パラメータの読み込み(&O)"));
    load->setObjectName(QStringLiteral("O1"));
    connect(load, &QAction::triggered, this, &TForm1::O1Click);
    QAction* save = File1->addAction(QStringLiteral("計測パラメータの保存(&S)"));
    save->setObjectName(QStringLiteral("Save1"));
    connect(save, &QAction::triggered, this, &TForm1::Save1Click);
    QAction* assign = File1->addAction(QStringLiteral("プログラムファイルの指定(&A)"));
    assign->setObjectName(QStringLiteral("AssignApplication"));
    connect(assign, &QAction::triggered, this, &TForm1::AssignApplicationClick);
    File1->addSeparator();
    QAction* exit = File1->addAction(QStringLiteral("終了(&Q)"));
    exit->setObjectName(QStringLiteral("Exit1"));
    connect(exit, &QAction::triggered, this, &TForm1::Exit1Click);

    Analysis1 = menuBar()->addMenu(QStringLiteral("データ解析(&A)"));
    Analysis1->setObjectName(QStringLiteral("Analysis1"));
    QAction* orvane = Analysis1->addAction(QStringLiteral("Orvaneの実行(&E)"));
    orvane->setObjectName(QStringLiteral("Orvane1"));
    connect(orvane, &QAction::triggered, this, &TForm1::OrvaneClick);
    Analysis1->addSeparator();

    Help1 = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    Help1->setObjectName(QStringLiteral("Help1"));
    QAction* contents = Help1->addAction(QStringLiteral("目次(&C)"));
    contents->setObjectName(QStringLiteral("Contents1"));
    connect(contents, &QAction::triggered, this, &TForm1::Contents1Click);
    Help1->addSeparator();
    QAction* version = Help1->addAction(QStringLiteral("バージョン情報(&V)"));
    version->setObjectName(QStringLiteral("Version1"));
    connect(version, &QAction::triggered, this, &TForm1::Version1Click);
}

QWidget* TForm1::BuildPanel2() {
    Panel2 = new QWidget;
    Panel2->setObjectName(QStringLiteral("Panel2"));
    auto* layout = new QVBoxLayout(Panel2);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    chartPanel_ = new ChartPanel(sdfData_.Record(), Panel2);
    chartPanel_->setObjectName(QStringLiteral("ChartPanel"));
    layout->addWidget(chartPanel_, 1);
    StatusBar1 = new QStatusBar(Panel2);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    layout->addWidget(StatusBar1);
    return Panel2;
}

QWidget* TForm1::BuildPanel1() {
    Panel1 = new QWidget;
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedWidth(283);
    auto* layout = new QVBoxLayout(Panel1);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    PageControl1 = new QTabWidget(Panel1);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setUsesScrollButtons(false);
    // Compact tabs, so that all four captions fit the panel's width side by side.
    PageControl1->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 5px; }"));
    PageControl1->addTab(BuildCardPage(), QStringLiteral("カード情報"));
    PageControl1->addTab(BuildParameterPage(), QStringLiteral("計測ﾊﾟﾗﾒｰﾀ"));
    PageControl1->addTab(BuildChannelPage(), QStringLiteral("記録ﾁｬﾝﾈﾙ"));
    PageControl1->addTab(BuildSavePage(), QStringLiteral("保存"));
    PageControl1->setCurrentIndex(3);
    layout->addWidget(PageControl1, 1);
    layout->addWidget(BuildRunGroup());
    return Panel1;
}

QWidget* TForm1::BuildCardPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheetCard"));
    auto* grid = new QGridLayout(page);
    TextCardType = NamedEdit("TextCardType", {}, page);
    TextAdrs = NamedEdit("TextAdrs", {}, page);
    TextIrqNo = NamedEdit("TextIrqNo", {}, page);
    TextStatus = NamedEdit("TextStatus", {}, page);
    const std::array<std::pair<QString, QLineEdit*>, 4> rows = {{
        {QStringLiteral("カードの種類："), TextCardType},
        {QStringLiteral("I/Oベースアドレス："), TextAdrs},
        {QStringLiteral("IRQ番号："), TextIrqNo},
        {QStringLiteral("現在の状態："), TextStatus},
    }};
    int row = 0;
    for (const auto& [label, edit] : rows) {
        edit->setStyleSheet(QStringLiteral("QLineEdit { color: white; background: #0a246a; }"));
        edit->setReadOnly(edit != TextStatus);
        grid->addWidget(new QLabel(label, page), row, 0);
        grid->addWidget(edit, row, 1);
        ++row;
    }
    grid->setRowStretch(row, 1);
    return page;
}

QWidget* TForm1::BuildParameterPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheetParameters"));
    auto* grid = new QGridLayout(page);
    EditWaitTime = NamedEdit("EditWaitTime", QStringLiteral("0"), page);
    EditIteration = NamedEdit("EditIteration", QStringLiteral("1"), page);
    EditBurstInterval = NamedEdit("EditBurstInterval", QStringLiteral("1"), page);
    ComboBoxBITUnit = NamedList("ComboBoxBITUnit", {}, page);
    EditSInterval = NamedEdit("EditSInterval", {}, page);
    ComboSampUnit = NamedList("ComboSampUnit", {}, page);
    EditDataNum = NamedEdit("EditDataNum", {}, page);
    grid->addWidget(new QLabel(QStringLiteral("計測待ち時間(sec):"), page), 0, 0);
    grid->addWidget(EditWaitTime, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("バースト記録回数："), page), 1, 0);
    grid->addWidget(EditIteration, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("バースト時間間隔："), page), 2, 0);
    grid->addWidget(EditBurstInterval, 2, 1);
    grid->addWidget(ComboBoxBITUnit, 2, 2);
    grid->addWidget(new QLabel(QStringLiteral("サンプリング間隔："), page), 3, 0);
    grid->addWidget(EditSInterval, 3, 1);
    grid->addWidget(ComboSampUnit, 3, 2);
    grid->addWidget(new QLabel(QStringLiteral("サンプリング個数："), page), 4, 0);
    grid->addWidget(EditDataNum, 4, 1);
    grid->setRowStretch(5, 1);
    return page;
}

QWidget* TForm1::BuildChannelPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheetChannels"));
    auto* layout = new QVBoxLayout(page);
    auto* countRow = new QHBoxLayout;
    ComboChNum = NamedList("ComboChNum", {QStringLiteral("1")}, page);
    countRow->addWidget(new QLabel(QStringLiteral("チャンネル数："), page));
    countRow->addWidget(ComboChNum);
    countRow->addStretch(1);
    layout->addLayout(countRow);
    Edit1 = NamedEdit("Edit1", QStringLiteral("変換式：Y = AX + B"), page);
    Edit1->setReadOnly(true);
    layout->addWidget(Edit1);

    StringGridChannel = new QTableWidget(0, ChannelColumns, page);
    StringGridChannel->setObjectName(QStringLiteral("StringGridChannel"));
    QStringList headings;
    for (const char* heading : ChannelHeadings) {
        headings << QString::fromUtf8(heading);
    }
    StringGridChannel->setHorizontalHeaderLabels(headings);
    StringGridChannel->verticalHeader()->setVisible(false);
    StringGridChannel->verticalHeader()->setDefaultSectionSize(20);
    StringGridChannel->verticalHeader()->setMinimumSectionSize(16);
    StringGridChannel->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    StringGridChannel->horizontalHeader()->setMinimumSectionSize(16);
    StringGridChannel->setSelectionMode(QAbstractItemView::ContiguousSelection);
    for (int column = 0; column < ChannelColumns; ++column) {
        StringGridChannel->setColumnWidth(column, ChannelColumnWidths[column]);
    }
    layout->addWidget(StringGridChannel, 1);

    BitBtn2 = new QPushButton(QStringLiteral("ヘルプ(&H)"), page);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(BitBtn2);
    layout->addLayout(buttonRow);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm1::BitBtn2Click);

    connect(ComboChNum, &QComboBox::activated, this, [this] { ComboChNumChange(); });
    return page;
}

QWidget* TForm1::BuildSavePage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheetSave"));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(QStringLiteral("コメント："), page));
    Memo1 = new QPlainTextEdit(page);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    layout->addWidget(Memo1, 1);
    connect(Memo1, &QPlainTextEdit::textChanged, this, &TForm1::LimitMemo);

    RadioGroupFileType = new QGroupBox(QStringLiteral("保存形式"), page);
    RadioGroupFileType->setObjectName(QStringLiteral("RadioGroupFileType"));
    auto* radios = new QVBoxLayout(RadioGroupFileType);
    fileTypeButtons_ = new QButtonGroup(RadioGroupFileType);
    fileTypeRadios_[0] =
        new QRadioButton(QStringLiteral("sdf （標準時系列データファイル）"), RadioGroupFileType);
    fileTypeRadios_[1] = new QRadioButton(QStringLiteral("tsd （時系列テキストデータファイル）"),
                                          RadioGroupFileType);
    for (int i = 0; i < 2; ++i) {
        fileTypeRadios_[i]->setObjectName(QStringLiteral("RadioGroupFileTypeItem%1").arg(i));
        fileTypeButtons_->addButton(fileTypeRadios_[i], i);
        radios->addWidget(fileTypeRadios_[i]);
    }
    fileTypeRadios_[0]->setChecked(true);
    layout->addWidget(RadioGroupFileType);
    connect(fileTypeButtons_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) {
            RadioGroupFileTypeClick();
        }
    });

    auto* nameGroup = new QGroupBox(QStringLiteral("ファイル名"), page);
    nameGroup->setObjectName(QStringLiteral("GroupBox1"));
    auto* nameRow = new QHBoxLayout(nameGroup);
    EditFileName = NamedEdit("EditFileName", QStringLiteral("ADdata.sdf"), nameGroup);
    BitBtn1 = new QPushButton(QStringLiteral("参照"), nameGroup);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    nameRow->addWidget(EditFileName, 1);
    nameRow->addWidget(BitBtn1);
    layout->addWidget(nameGroup);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
    return page;
}

QWidget* TForm1::BuildRunGroup() {
    GroupBox2 = new QGroupBox;
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setFixedHeight(96);
    auto* grid = new QGridLayout(GroupBox2);
    grid->setContentsMargins(4, 4, 4, 2);
    grid->setVerticalSpacing(3);
    BtnAdStart = new QPushButton(QStringLiteral("計測開始"), GroupBox2);
    BtnAdStart->setObjectName(QStringLiteral("BtnAdStart"));
    BtnAdStop = new QPushButton(QStringLiteral("計測中止"), GroupBox2);
    BtnAdStop->setObjectName(QStringLiteral("BtnAdStop"));
    EditPresentStatus = NamedEdit("EditPresentStatus", {}, GroupBox2);
    EditTime = NamedEdit("EditTime", {}, GroupBox2);
    for (QLineEdit* edit : {EditPresentStatus, EditTime}) {
        edit->setReadOnly(true);
        edit->setFocusPolicy(Qt::NoFocus);
        edit->setStyleSheet(QStringLiteral("QLineEdit { color: yellow; background: black; }"));
    }
    ProgressBar1 = new QProgressBar(GroupBox2);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setFixedHeight(14);
    grid->addWidget(BtnAdStart, 0, 0);
    grid->addWidget(EditPresentStatus, 0, 1);
    grid->addWidget(BtnAdStop, 1, 0);
    grid->addWidget(EditTime, 1, 1);
    grid->addWidget(ProgressBar1, 2, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    connect(BtnAdStart, &QPushButton::clicked, this, &TForm1::BtnAdStartClick);
    connect(BtnAdStop, &QPushButton::clicked, this, &TForm1::BtnAdStopClick);

    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] {
        if (BtnAdStop->isEnabled()) {
            BtnAdStop->click();
        }
    });
    return GroupBox2;
}

void TForm1::FormShow() {
    runModal_(*aboutBox_);

    const QString programFile = QCoreApplication::applicationFilePath();
    const QString configFolder =
        QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    paths_ = ResolveProgramPaths(S(programFile), S(configFolder), S(QDir::homePath()));
    if (FolderPart(paths_.IniFileName) != paths_.ProgramDir) {
        QDir().mkpath(configFolder);
    }

    setWindowTitle(aboutBox_->ProductName());
    Timer1.setInterval(100);
    Timer1.start();

    MeasurementParameters& record = sdfData_.Record();
    ApplyStartupDefaults(record);
    ControlValues values = StartupControlValues(record, paths_.DataFolder);
    const std::string fileName = values.FileName;
    values.FileName = S(EditFileName->text());
    SetValues(values);

    if (!card_) {
        card_ = std::make_unique<SimulatedCard>(LoadCardSettings());
    }
    run_ = std::make_unique<RunControl>(*card_, cardWindow_, sdfData_, settings_, *this, dialogs_,
                                        clock_);
    DetectTheCard();

    BtnAdStop->setEnabled(false);
    ComboChNumChange();
    EditPresentStatus->setText(QStringLiteral("未変換"));
    TextStatus->setText(QStringLiteral("停止"));
    EditTime->clear();

    SetFileName(fileName);
    Timer1Timer();
    ReadStartupSettings();
    GatherSettings(Values(), sdfData_, settings_, dialogs_, *this);
    SetupCharts();
}

SimulatedCardSettings TForm1::LoadCardSettings() {
    try {
        return SimulatedCardSettings::Load(paths_.ProgramDir + SimulatedCardIniName);
    } catch (const std::exception& error) {
        dialogs_.ShowError(error.what());
        return {};
    }
}

void TForm1::DetectTheCard() {
    const std::optional<CardResource> resource = DetectCard(*card_);
    if (resource) {
        TextCardType->setText(QString::fromLatin1(CardTypeName(resource->Kind)));
        TextAdrs->setText(QString::number(resource->IoBase));
        TextIrqNo->setText(QString::number(resource->Irq));
        return;
    }
    TextCardType->setText(QStringLiteral("No Card in Slot"));
    BtnAdStart->setEnabled(false);
    dialogs_.ShowInformation("AD変換カードが入っていません。");
}

void TForm1::ReadStartupSettings() {
    ControlValues values = Values();
    ReadParameterFile(paths_.IniFileName, values, dialogs_);
    ApplyLoadedValues(values);
    const std::string folder = DataFileBrowseFolder(values.FileName, paths_.ProgramDir);
    if (!folder.empty()) {
        saveDialog1Folder_ = Q(folder);
    }
}

void TForm1::ApplyLoadedValues(const ControlValues& values) {
    SetValues(values);
    if (ComboChNum->currentIndex() >= 0) {
        ComboChNumChange();
    }
}

ControlValues TForm1::Values() const {
    ControlValues values;
    const QRect bounds = geometry();
    values.Left = pos().x();
    values.Top = pos().y();
    values.Width = bounds.width();
    values.Height = bounds.height();
    values.WaitTime = S(EditWaitTime->text());
    values.Iteration = S(EditIteration->text());
    values.BurstInterval = S(EditBurstInterval->text());
    values.BurstUnitIndex = ComboBoxBITUnit->currentIndex();
    values.SInterval = S(EditSInterval->text());
    values.SampUnitIndex = ComboSampUnit->currentIndex();
    values.DataNum = S(EditDataNum->text());
    values.ChNum = S(ComboChNum->currentText());
    values.ChannelGrid.assign(1, {});
    for (int column = 0; column < ChannelColumns; ++column) {
        values.ChannelGrid[0][column] = ChannelHeadings[column];
    }
    for (int row = 0; row < StringGridChannel->rowCount(); ++row) {
        std::array<std::string, 5> cells;
        for (int column = 0; column < ChannelColumns; ++column) {
            const QTableWidgetItem* item = StringGridChannel->item(row, column);
            cells[column] = item != nullptr ? S(item->text()) : std::string();
        }
        values.ChannelGrid.push_back(cells);
    }
    values.Memo = MemoFromControl(Memo1->toPlainText());
    values.FileType = FileType();
    values.FileName = S(EditFileName->text());
    values.ApplicationSoftware = applicationSoftware_;
    return values;
}

void TForm1::SetValues(const ControlValues& values) {
    move(std::clamp(values.Left, -MaxWindowOffset, MaxWindowOffset),
         std::clamp(values.Top, -MaxWindowOffset, MaxWindowOffset));
    resize(std::min(values.Width, MaxWindowExtent), std::min(values.Height, MaxWindowExtent));
    EditWaitTime->setText(Q(values.WaitTime));
    EditIteration->setText(Q(values.Iteration));
    EditBurstInterval->setText(Q(values.BurstInterval));
    if (ComboBoxBITUnit->count() == 0) {
        ComboBoxBITUnit->addItems(
            {QStringLiteral("sec"), QStringLiteral("min"), QStringLiteral("hr")});
    }
    ComboBoxBITUnit->setCurrentIndex(
        values.BurstUnitIndex < ComboBoxBITUnit->count() ? values.BurstUnitIndex : -1);
    EditSInterval->setText(Q(values.SInterval));
    if (ComboSampUnit->count() == 0) {
        ComboSampUnit->addItems(
            {QStringLiteral("sec"), QStringLiteral("msec"), QStringLiteral("usec")});
    }
    ComboSampUnit->setCurrentIndex(
        values.SampUnitIndex < ComboSampUnit->count() ? values.SampUnitIndex : -1);
    EditDataNum->setText(Q(values.DataNum));

    if (ComboChNum->count() != MaxChannels) {
        ComboChNum->clear();
        for (int i = 1; i <= MaxChannels; ++i) {
            ComboChNum->addItem(QString::number(i));
        }
    }
    ComboChNum->setCurrentIndex(ComboChNum->findText(Q(values.ChNum)));

    droppedRows_.clear();
    const int rows = values.ChannelGrid.empty() ? 0 : int(values.ChannelGrid.size()) - 1;
    StringGridChannel->setRowCount(0);
    SetChannelRows(rows);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < ChannelColumns; ++column) {
            StringGridChannel->item(row, column)->setText(Q(values.ChannelGrid[row + 1][column]));
        }
    }

    Memo1->setPlainText(MemoToControl(values.Memo));
    SetFileType(values.FileType);
    SetFileName(values.FileName);
    applicationSoftware_ = values.ApplicationSoftware;
}

void TForm1::SetChannelRows(int channels) {
    const int before = StringGridChannel->rowCount();
    for (int row = before - 1; row >= channels; --row) {
        std::array<std::string, 5> cells;
        for (int column = 0; column < ChannelColumns; ++column) {
            cells[column] = S(StringGridChannel->item(row, column)->text());
        }
        droppedRows_.resize(std::max<std::size_t>(droppedRows_.size(), std::size_t(row) + 1));
        droppedRows_[row] = cells;
    }
    StringGridChannel->setRowCount(std::max(channels, 0));
    for (int row = before; row < channels; ++row) {
        const std::size_t index = static_cast<std::size_t>(row);
        const std::string number = std::to_string(row + 1);
        const std::array<std::string, 5> cells =
            index < droppedRows_.size() && droppedRows_[index]
                ? *droppedRows_[index]
                : std::array<std::string, 5>{number, "Ch." + number, "mV", "1", "0"};
        for (int column = 0; column < ChannelColumns; ++column) {
            auto* item = new QTableWidgetItem(Q(cells[column]));
            if (column == 0) {
                item->setFlags(Qt::ItemIsEnabled);
                item->setBackground(StringGridChannel->palette().button());
            }
            StringGridChannel->setItem(row, column, item);
        }
    }
}

int TForm1::FileType() const {
    return fileTypeButtons_->checkedId();
}

void TForm1::SetFileType(int fileType) {
    if (fileType >= 0 && fileType < int(fileTypeRadios_.size())) {
        fileTypeRadios_[fileType]->setChecked(true);
    }
}

void TForm1::SetFileName(const std::string& fileName) {
    EditFileName->setText(Q(fileName));
    EditFileName->setCursorPosition(int(EditFileName->text().size()));
    StatusPanels[1]->setText(Q(FolderPart(fileName)));
}

void TForm1::LimitMemo() {
    const QString text = Memo1->toPlainText();
    // The limit is in bytes of the comment as the recording stores it: CP932, line breaks as
    // CR LF.
    qsizetype used = 0;
    qsizetype keep = 0;
    while (keep < text.size()) {
        const qsizetype width =
            text[keep].isHighSurrogate() && keep + 1 < text.size() ? qsizetype{2} : qsizetype{1};
        const QString character = text.mid(keep, width);
        used += character == QStringLiteral("\n") ? 2 : qsizetype(Utf8ToCp932(S(character)).size());
        if (used > MemoMaxBytes) {
            break;
        }
        keep += width;
    }
    if (keep < text.size()) {
        const QSignalBlocker block(Memo1);
        Memo1->setPlainText(text.left(keep));
        Memo1->moveCursor(QTextCursor::End);
    }
}

void TForm1::BitBtn1Click() {
    const QString filter = FileType() == FileTypeTsd
                               ? QStringLiteral("時系列テキストファイル (*.tsd)|*.tsd")
                               : QStringLiteral("時系列標準ファイル (*.sdf)|*.sdf");
    const std::optional<QString> chosen =
        fileDialogs_.SaveFileName(this, filter, saveDialog1Folder_, EditFileName->text());
    if (chosen) {
        SetFileName(S(*chosen));
    }
}

void TForm1::RadioGroupFileTypeClick() {
    const char* extension = FileType() == FileTypeTsd ? ".tsd" : ".sdf";
    SetFileName(ReplaceExtension(S(EditFileName->text()), extension));
}

void TForm1::ComboChNumChange() {
    ControlValues values;
    values.ChNum = S(ComboChNum->currentText());
    tessary::ComboChNumChange(values, sdfData_.Record());
    SetChannelRows(sdfData_.Record().ChNum);
}

void TForm1::Timer1Timer() {
    StatusPanels[0]->setText(Q(FormatDateTime(NowDays())));
}

bool TForm1::Running() const {
    return run_ && run_->Running();
}

void TForm1::BtnAdStartClick() {
    if (run_->BtnAdStartClick(Values())) {
        SchedulePass(std::chrono::milliseconds(0));
    }
}

void TForm1::BtnAdStopClick() {
    run_->BtnAdStopClick();
}

void TForm1::SchedulePass(std::chrono::milliseconds wait) {
    passTimer_.start(wait);
}

void TForm1::RunPass() {
    const std::chrono::milliseconds wait = run_->Pass();
    if (run_->Running()) {
        SchedulePass(wait);
    }
}

void TForm1::O1Click() {
    const std::optional<QString> chosen = fileDialogs_.OpenFileName(
        this, QString::fromUtf8(LoadParametersFilter), Q(paths_.ProgramDir), QString());
    if (!chosen) {
        return;
    }
    ControlValues values = Values();
    if (!LoadParameters(S(*chosen), sdfData_, values, settings_.SamplingUnitIndex)) {
        return;
    }
    ApplyLoadedValues(values);
    if (UpperExtension(S(*chosen)) == ".APM") {
        const std::string folder = DataFileBrowseFolder(values.FileName, paths_.ProgramDir);
        if (!folder.empty()) {
            saveDialog1Folder_ = Q(folder);
        }
    }
}

void TForm1::Save1Click() {
    const std::optional<QString> chosen = fileDialogs_.SaveFileName(
        this, QString::fromUtf8(SaveParametersFilter), Q(paths_.ProgramDir), QString());
    if (chosen) {
        SaveParameters(S(*chosen), Values());
    }
}

void TForm1::AssignApplicationClick() {
    analysis_->Assign(applicationSoftware_);
}

void TForm1::OrvaneClick() {
    analysis_->Run(applicationSoftware_, paths_.ProgramDir, S(EditFileName->text()));
}

void TForm1::Contents1Click() {
    help_->Contents(paths_.HelpFileName);
}

void TForm1::BitBtn2Click() {
    help_->Keyword(paths_.HelpFileName, HelpCommands::ChannelKeyword);
}

void TForm1::SetEditPresentStatus(const std::string& text) {
    EditPresentStatus->setText(Q(text));
}

void TForm1::SetEditTime(const std::string& text) {
    EditTime->setText(Q(text));
}

void TForm1::SetTextStatus(const std::string& text) {
    TextStatus->setText(Q(text));
}

void TForm1::SetProgressBar1(int position) {
    ProgressBar1->setValue(position);
}

void TForm1::SetBtnAdStartEnabled(bool enabled) {
    BtnAdStart->setEnabled(enabled);
}

void TForm1::SetBtnAdStopEnabled(bool enabled) {
    BtnAdStop->setEnabled(enabled);
}

void TForm1::SetupCharts() {
    chartPanel_->SetupCharts(settings_.DisplayUnitName);
}

void TForm1::AppendChartPoints(int series, std::span<const double> x, std::span<const double> y) {
    chartPanel_->AppendPoints(series, x, y);
}

void TForm1::Panel2Resize() {
    chartPanel_->Panel2Resize();
}

void TForm1::Version1Click() {
    runModal_(*aboutBox_);
}

void TForm1::Exit1Click() {
    close();
}

void TForm1::DisableMenus() {
    File1->menuAction()->setEnabled(false);
    Analysis1->menuAction()->setEnabled(false);
}

void TForm1::EnableMenus() {
    File1->menuAction()->setEnabled(true);
    Analysis1->menuAction()->setEnabled(true);
}

void TForm1::closeEvent(QCloseEvent* event) {
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
    event->accept();
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
