// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's controls: the menus, the chart panel with the status bar, the four
// settings pages and the run group.
#include "app/ui/TForm1.h"

#include "acquisition/ui/ChartPanel.h"
#include "app/ui/CardPage.h"
#include "app/ui/PacedText.h"
#include "texts/Texts.h"

#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
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
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tessary {

namespace {

constexpr std::array<int, TForm1::ChannelColumns> ChannelColumnWidths = {30, 63, 44, 63, 61};

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

} // namespace

void TForm1::BuildMenus() {
    File1 = menuBar()->addMenu(QString::fromUtf8(texts::FileMenu));
    File1->setObjectName(QStringLiteral("File1"));
    QAction* load = File1->addAction(QString::fromUtf8(texts::LoadParametersItem));
    load->setObjectName(QStringLiteral("O1"));
    connect(load, &QAction::triggered, this, &TForm1::O1Click);
    QAction* save = File1->addAction(QString::fromUtf8(texts::SaveParametersItem));
    save->setObjectName(QStringLiteral("Save1"));
    connect(save, &QAction::triggered, this, &TForm1::Save1Click);
    QAction* view = File1->addAction(QString::fromUtf8(texts::ViewRecordingItem));
    view->setObjectName(QStringLiteral("ViewRecording"));
    connect(view, &QAction::triggered, this, &TForm1::ViewRecordingClick);
    QAction* assign = File1->addAction(QString::fromUtf8(texts::AssignProgramItem));
    assign->setObjectName(QStringLiteral("AssignApplication"));
    connect(assign, &QAction::triggered, this, &TForm1::AssignApplicationClick);
    File1->addSeparator();
    QAction* exit = File1->addAction(QString::fromUtf8(texts::ExitItem));
    exit->setObjectName(QStringLiteral("Exit1"));
    connect(exit, &QAction::triggered, this, &TForm1::Exit1Click);

    Analysis1 = menuBar()->addMenu(QString::fromUtf8(texts::AnalysisMenu));
    Analysis1->setObjectName(QStringLiteral("Analysis1"));
    QAction* orvane = Analysis1->addAction(QString::fromUtf8(texts::RunAnalysisItem));
    orvane->setObjectName(QStringLiteral("Orvane1"));
    connect(orvane, &QAction::triggered, this, &TForm1::OrvaneClick);
    Analysis1->addSeparator();

    Help1 = menuBar()->addMenu(QString::fromUtf8(texts::HelpMenu));
    Help1->setObjectName(QStringLiteral("Help1"));
    QAction* contents = Help1->addAction(QString::fromUtf8(texts::HelpContentsItem));
    contents->setObjectName(QStringLiteral("Contents1"));
    connect(contents, &QAction::triggered, this, &TForm1::Contents1Click);
    Help1->addSeparator();
    QAction* version = Help1->addAction(QString::fromUtf8(texts::AboutItem));
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
    PageControl1->addTab(BuildCardPage(), QString::fromUtf8(texts::CardPage));
    PageControl1->addTab(BuildParameterPage(), QString::fromUtf8(texts::ParametersPage));
    PageControl1->addTab(BuildChannelPage(), QString::fromUtf8(texts::ChannelsPage));
    PageControl1->addTab(BuildSavePage(), QString::fromUtf8(texts::SavePage));
    PageControl1->setCurrentIndex(3);
    layout->addWidget(PageControl1, 1);
    layout->addWidget(BuildRunGroup());
    return Panel1;
}

QWidget* TForm1::BuildCardPage() {
    cardPage_ = new CardPage;
    TextCardType = cardPage_->TextCardType;
    TextAdrs = cardPage_->TextAdrs;
    TextIrqNo = cardPage_->TextIrqNo;
    TextStatus = cardPage_->TextStatus;
    ComboCardName = cardPage_->ComboCardName;
    BtnRescan = cardPage_->BtnRescan;
    TextInputs = cardPage_->TextInputs;
    connect(ComboCardName, &QComboBox::activated, this, &TForm1::ComboCardNameActivated);
    connect(BtnRescan, &QPushButton::clicked, this, &TForm1::BtnRescanClick);
    return cardPage_;
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
    grid->addWidget(new QLabel(QString::fromUtf8(texts::WaitTimeLabel), page), 0, 0);
    grid->addWidget(EditWaitTime, 0, 1);
    grid->addWidget(new QLabel(QString::fromUtf8(texts::BurstCountLabel), page), 1, 0);
    grid->addWidget(EditIteration, 1, 1);
    grid->addWidget(new QLabel(QString::fromUtf8(texts::BurstIntervalLabel), page), 2, 0);
    grid->addWidget(EditBurstInterval, 2, 1);
    grid->addWidget(ComboBoxBITUnit, 2, 2);
    grid->addWidget(new QLabel(QString::fromUtf8(texts::SamplingIntervalLabel), page), 3, 0);
    grid->addWidget(EditSInterval, 3, 1);
    grid->addWidget(ComboSampUnit, 3, 2);
    grid->addWidget(new QLabel(QString::fromUtf8(texts::SampleCountLabel), page), 4, 0);
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
    countRow->addWidget(new QLabel(QString::fromUtf8(texts::ChannelCountLabel), page));
    countRow->addWidget(ComboChNum);
    countRow->addStretch(1);
    layout->addLayout(countRow);
    Edit1 = NamedEdit("Edit1", QString::fromUtf8(texts::ConversionFormula), page);
    Edit1->setReadOnly(true);
    layout->addWidget(Edit1);

    StringGridChannel = new QTableWidget(0, ChannelColumns, page);
    StringGridChannel->setObjectName(QStringLiteral("StringGridChannel"));
    QStringList headings;
    for (const char* heading : texts::ChannelHeadings) {
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

    BitBtn2 = new QPushButton(QString::fromUtf8(texts::ChannelHelpButton), page);
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
    layout->addWidget(new QLabel(QString::fromUtf8(texts::CommentLabel), page));
    Memo1 = new QPlainTextEdit(page);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    layout->addWidget(Memo1, 1);
    connect(Memo1, &QPlainTextEdit::textChanged, this, &TForm1::LimitMemo);

    RadioGroupFileType = new QGroupBox(QString::fromUtf8(texts::FileTypeGroup), page);
    RadioGroupFileType->setObjectName(QStringLiteral("RadioGroupFileType"));
    auto* radios = new QVBoxLayout(RadioGroupFileType);
    // Narrow side margins: the panel's fixed width leaves the longer item no more room.
    radios->setContentsMargins(4, radios->contentsMargins().top(), 4,
                               radios->contentsMargins().bottom());
    fileTypeButtons_ = new QButtonGroup(RadioGroupFileType);
    fileTypeRadios_[0] =
        new QRadioButton(QString::fromUtf8(texts::SdfFileType), RadioGroupFileType);
    fileTypeRadios_[1] =
        new QRadioButton(QString::fromUtf8(texts::TsdFileType), RadioGroupFileType);
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

    auto* nameGroup = new QGroupBox(QString::fromUtf8(texts::FileNameGroup), page);
    nameGroup->setObjectName(QStringLiteral("GroupBox1"));
    auto* nameRow = new QHBoxLayout(nameGroup);
    EditFileName = NamedEdit("EditFileName", QStringLiteral("ADdata.sdf"), nameGroup);
    BitBtn1 = new QPushButton(QString::fromUtf8(texts::BrowseButton), nameGroup);
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
    BtnAdStart = new QPushButton(QString::fromUtf8(texts::StartButton), GroupBox2);
    BtnAdStart->setObjectName(QStringLiteral("BtnAdStart"));
    BtnAdStop = new QPushButton(QString::fromUtf8(texts::StopButton), GroupBox2);
    BtnAdStop->setObjectName(QStringLiteral("BtnAdStop"));
    EditPresentStatus = NamedEdit("EditPresentStatus", {}, GroupBox2);
    EditTime = NamedEdit("EditTime", {}, GroupBox2);
    editTimeText_ = std::make_unique<PacedText>(*EditTime, ChartPanel::RefreshIntervalMs);
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

} // namespace tessary
