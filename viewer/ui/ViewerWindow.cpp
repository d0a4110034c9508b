// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/ui/ViewerWindow.h"

#include "acquisition/ui/StripChart.h"
#include "data/Cp932.h"
#include "data/DateTime.h"
#include "data/Dialogs.h"
#include "data/GeneralFormat.h"
#include "data/TimeUnits.h"
#include "texts/Texts.h"
#include "viewer/CursorReading.h"
#include "viewer/ui/ViewerCharts.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tessary {

namespace {

QString Utf8(const std::string& text) {
    return QString::fromStdString(text);
}

QString FromFile(const std::string& cp932) {
    return QString::fromStdString(Cp932ToUtf8(cp932));
}

QString Interval(std::int32_t value, TimeUnit unit) {
    const QString name =
        unit < TimeUnits.size() ? Utf8(std::string(TimeUnits[unit].Name)) : QStringLiteral("?");
    return QString::number(value) + QLatin1Char(' ') + name;
}

QString Clock(const std::optional<double>& days) {
    return days ? Utf8(FormatDateTimeMs(*days)) : Utf8(texts::ViewerMissingValue);
}

void SetCell(QTableWidget& table, int row, int column, const QString& text) {
    QTableWidgetItem* item = table.item(row, column);
    if (item == nullptr) {
        item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        table.setItem(row, column, item);
    }
    if (item->text() != text) {
        item->setText(text);
    }
}

QToolButton* Button(const QString& text, QAction* action, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setDefaultAction(action);
    button->setText(text);
    return button;
}

// Readout columns.
enum Column {
    ItemColumn,
    UnitColumn,
    Cursor1,
    Cursor2,
    DiffColumn,
    MinColumn,
    MaxColumn,
    MeanColumn,
    RmsColumn,
    GapsColumn
};
constexpr int TimeRow = 0;
constexpr int ClockRow = 1;
constexpr int FirstChannelRow = 2;

} // namespace

ViewerWindow::ViewerWindow(const QString& path, Dialogs& dialogs, ChooseFile chooseFile,
                           QWidget* parent)
    : QMainWindow(parent), path_(path), dialogs_(dialogs), chooseFile_(std::move(chooseFile)) {
    setObjectName(QStringLiteral("ViewerWindow"));
    setWindowTitle(QFileInfo(path).fileName());
    resize(1100, 760);
    BuildMenus();

    charts_ = new ViewerCharts;
    scroll_ = new QScrollArea;
    scroll_->setObjectName(QStringLiteral("ViewerScroll"));
    scroll_->setWidgetResizable(true);
    scroll_->setWidget(charts_);
    scroll_->setFrameShape(QFrame::NoFrame);
    connect(charts_, &ViewerCharts::ViewChanged, this, &ViewerWindow::UpdateReadout);

    auto* left = new QSplitter(Qt::Vertical);
    left->addWidget(scroll_);
    left->addWidget(BuildReadoutPanel());
    left->setStretchFactor(0, 3);
    left->setStretchFactor(1, 1);
    // Room for the time and clock rows and four channels before the readout scrolls.
    left->setSizes({520, 210});
    auto* split = new QSplitter(Qt::Horizontal);
    split->addWidget(left);
    split->addWidget(BuildHeaderPanel());
    split->setStretchFactor(0, 1);
    split->setSizes({830, 270});

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(BuildToolbar());
    layout->addWidget(split, 1);
    setCentralWidget(central);

    notice_ = new QLabel;
    notice_->setObjectName(QStringLiteral("ViewerNotice"));
    progress_ = new QProgressBar;
    progress_->setRange(0, 100);
    progress_->setMaximumWidth(200);
    progress_->hide();
    statusBar()->addWidget(notice_, 1);
    statusBar()->addPermanentWidget(progress_);
    statusBar()->addPermanentWidget(new QLabel(Utf8(texts::ViewerCursorHint)));

    loader_ = new BurstLoader(path.toStdString());
    loader_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, loader_, &QObject::deleteLater);
    connect(loader_, &BurstLoader::Progress, this, &ViewerWindow::OnProgress);
    connect(loader_, &BurstLoader::Opened, this, &ViewerWindow::OnOpened);
    connect(loader_, &BurstLoader::BurstRead, this, &ViewerWindow::OnBurstRead);
    connect(loader_, &BurstLoader::Failed, this, &ViewerWindow::OnFailed);
    connect(loader_, &BurstLoader::Exported, this, &ViewerWindow::OnExported);
    thread_.setObjectName(QStringLiteral("ViewerLoader"));
    thread_.start();
    notice_->setText(Utf8(texts::ViewerIndexing));
    QMetaObject::invokeMethod(
        loader_, [loader = loader_]() { loader->Open(); }, Qt::QueuedConnection);
}

ViewerWindow::~ViewerWindow() {
    loader_->Stop();
    thread_.quit();
    thread_.wait();
}

ViewerWindow* ViewerWindow::OpenViewer(const QString& path, Dialogs& dialogs,
                                       ChooseFile chooseFile) {
    auto* window = new ViewerWindow(path, dialogs, std::move(chooseFile));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return window;
}

void ViewerWindow::closeEvent(QCloseEvent* event) {
    loader_->Stop();
    event->accept();
}

void ViewerWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu(Utf8(texts::ViewerFileMenu));
    QAction* open = file->addAction(Utf8(texts::ViewerOpenItem));
    open->setShortcut(QKeySequence::Open);
    connect(open, &QAction::triggered, this, [this]() {
        const std::optional<QString> chosen =
            chooseFile_(this, Utf8(texts::ViewerOpenFilter), QString(), false);
        if (chosen) {
            OpenViewer(*chosen, dialogs_, chooseFile_);
        }
    });
    reloadAction_ = file->addAction(Utf8(texts::ViewerReloadItem));
    reloadAction_->setObjectName(QStringLiteral("ViewerReload"));
    reloadAction_->setShortcut(QKeySequence(Qt::Key_F5));
    connect(reloadAction_, &QAction::triggered, this, &ViewerWindow::Reload);
    file->addSeparator();
    QAction* csv = file->addAction(Utf8(texts::ViewerExportCsvItem));
    connect(csv, &QAction::triggered, this, &ViewerWindow::ExportCsv);
    QAction* png = file->addAction(Utf8(texts::ViewerExportPngItem));
    connect(png, &QAction::triggered, this, &ViewerWindow::ExportPng);
    file->addSeparator();
    QAction* close = file->addAction(Utf8(texts::ViewerCloseItem));
    close->setShortcut(QKeySequence::Close);
    connect(close, &QAction::triggered, this, &QWidget::close);

    QMenu* view = menuBar()->addMenu(Utf8(texts::ViewerViewMenu));
    const auto add = [&](const char* text, QList<QKeySequence> keys, auto slot) {
        QAction* action = view->addAction(Utf8(text));
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    add(texts::ViewerFirstItem, {QKeySequence(Qt::Key_Home)}, [this]() { ShowBurst(0); });
    add(texts::ViewerPreviousItem, {QKeySequence(Qt::Key_PageUp)},
        [this]() { ShowBurst(wanted_ - 1); });
    add(texts::ViewerNextItem, {QKeySequence(Qt::Key_PageDown)},
        [this]() { ShowBurst(wanted_ + 1); });
    add(texts::ViewerLastItem, {QKeySequence(Qt::Key_End)}, [this]() { ShowBurst(Bursts() - 1); });
    view->addSeparator();
    add(texts::ViewerZoomInItem,
        {QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal), QKeySequence::ZoomIn},
        [this]() { charts_->Zoom(0.5); });
    add(texts::ViewerZoomOutItem, {QKeySequence(Qt::Key_Minus), QKeySequence::ZoomOut},
        [this]() { charts_->Zoom(2.0); });
    add(texts::ViewerWholeBurstItem, {QKeySequence(Qt::Key_0)},
        [this]() { charts_->ShowWholeBurst(); });
    // Panning has keys only: the arrows move the range by a tenth of its span.
    auto* left = new QAction(this);
    left->setShortcut(QKeySequence(Qt::Key_Left));
    connect(left, &QAction::triggered, this, [this]() { charts_->Pan(-0.1); });
    auto* right = new QAction(this);
    right->setShortcut(QKeySequence(Qt::Key_Right));
    connect(right, &QAction::triggered, this, [this]() { charts_->Pan(0.1); });
    addAction(left);
    addAction(right);
}

QWidget* ViewerWindow::BuildToolbar() {
    auto* bar = new QWidget;
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    const auto action = [&](const QString& text, auto slot) {
        auto* a = new QAction(text, bar);
        connect(a, &QAction::triggered, this, slot);
        return Button(text, a, bar);
    };
    layout->addWidget(action(QStringLiteral("|◀"), [this]() { ShowBurst(0); }));
    layout->addWidget(action(QStringLiteral("◀"), [this]() { ShowBurst(wanted_ - 1); }));
    layout->addWidget(new QLabel(Utf8(texts::ViewerBurstLabel)));
    burstSpin_ = new QSpinBox;
    burstSpin_->setObjectName(QStringLiteral("ViewerBurstNumber"));
    burstSpin_->setKeyboardTracking(false);
    burstSpin_->setRange(1, 1);
    connect(burstSpin_, &QSpinBox::valueChanged, this, [this](int value) { ShowBurst(value - 1); });
    layout->addWidget(burstSpin_);
    burstCount_ = new QLabel(QStringLiteral("/ 0"));
    layout->addWidget(burstCount_);
    layout->addWidget(action(QStringLiteral("▶"), [this]() { ShowBurst(wanted_ + 1); }));
    layout->addWidget(action(QStringLiteral("▶|"), [this]() { ShowBurst(Bursts() - 1); }));
    burstSlider_ = new QSlider(Qt::Horizontal);
    burstSlider_->setObjectName(QStringLiteral("ViewerBurstSlider"));
    burstSlider_->setRange(1, 1);
    burstSlider_->setFocusPolicy(Qt::NoFocus);
    connect(burstSlider_, &QSlider::valueChanged, this,
            [this](int value) { ShowBurst(value - 1); });
    layout->addWidget(burstSlider_, 1);
    auto* whole = new QPushButton(Utf8(texts::ViewerWholeBurstItem).remove(QStringLiteral("(&W)")));
    whole->setObjectName(QStringLiteral("ViewerWholeBurst"));
    whole->setFocusPolicy(Qt::NoFocus);
    connect(whole, &QPushButton::clicked, this, [this]() { charts_->ShowWholeBurst(); });
    layout->addWidget(whole);
    overlayCheck_ = new QCheckBox(Utf8(texts::ViewerOverlayCheck));
    overlayCheck_->setObjectName(QStringLiteral("ViewerOverlay"));
    overlayCheck_->setFocusPolicy(Qt::NoFocus);
    overlaySpin_ = new QSpinBox;
    overlaySpin_->setObjectName(QStringLiteral("ViewerOverlayNumber"));
    overlaySpin_->setKeyboardTracking(false);
    overlaySpin_->setRange(1, 1);
    const auto overlayChanged = [this]() {
        ShowOverlay(overlayCheck_->isChecked()
                        ? std::optional<std::int64_t>(overlaySpin_->value() - 1)
                        : std::nullopt);
    };
    connect(overlayCheck_, &QCheckBox::toggled, this, overlayChanged);
    connect(overlaySpin_, &QSpinBox::valueChanged, this, overlayChanged);
    layout->addWidget(overlayCheck_);
    layout->addWidget(overlaySpin_);
    return bar;
}

QWidget* ViewerWindow::BuildHeaderPanel() {
    auto* group = new QGroupBox(Utf8(texts::ViewerHeaderGroup));
    auto* layout = new QVBoxLayout(group);
    headerText_ = new QLabel;
    headerText_->setObjectName(QStringLiteral("ViewerHeaderText"));
    headerText_->setTextFormat(Qt::PlainText);
    headerText_->setWordWrap(true);
    headerText_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    headerText_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    layout->addWidget(headerText_);
    channelTable_ = new QTableWidget(0, static_cast<int>(texts::ViewerChannelHeadings.size()));
    channelTable_->setObjectName(QStringLiteral("ViewerChannelTable"));
    QStringList headings;
    for (const char* heading : texts::ViewerChannelHeadings) {
        headings << Utf8(heading);
    }
    channelTable_->setHorizontalHeaderLabels(headings);
    channelTable_->verticalHeader()->hide();
    channelTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    channelTable_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    channelTable_->verticalHeader()->setDefaultSectionSize(channelTable_->fontMetrics().height() +
                                                           4);
    layout->addWidget(channelTable_, 1);
    return group;
}

QWidget* ViewerWindow::BuildReadoutPanel() {
    auto* group = new QGroupBox(Utf8(texts::ViewerReadoutGroup));
    auto* layout = new QVBoxLayout(group);
    readout_ =
        new QTableWidget(FirstChannelRow, static_cast<int>(texts::ViewerReadoutHeadings.size()));
    readout_->setObjectName(QStringLiteral("ViewerReadout"));
    QStringList headings;
    for (const char* heading : texts::ViewerReadoutHeadings) {
        headings << Utf8(heading);
    }
    readout_->setHorizontalHeaderLabels(headings);
    readout_->verticalHeader()->hide();
    readout_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    readout_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    readout_->horizontalHeader()->setStretchLastSection(true);
    readout_->verticalHeader()->setDefaultSectionSize(readout_->fontMetrics().height() + 4);
    layout->addWidget(readout_, 1);
    burstValues_ = new QLabel;
    burstValues_->setObjectName(QStringLiteral("ViewerBurstValues"));
    burstValues_->hide();
    layout->addWidget(burstValues_);
    return group;
}

std::optional<std::int64_t> ViewerWindow::ShownBurst() const {
    return charts_->Burst() != nullptr ? std::optional<std::int64_t>(charts_->Burst()->Number())
                                       : std::nullopt;
}

std::optional<std::int64_t> ViewerWindow::OverlayBurst() const {
    return charts_->Overlay() != nullptr ? std::optional<std::int64_t>(charts_->Overlay()->Number())
                                         : std::nullopt;
}

std::int64_t ViewerWindow::Bursts() const {
    return info_ ? info_->Contents.CompleteBursts : 0;
}

QString ViewerWindow::Notice() const {
    return notice_->text();
}

void ViewerWindow::RequestRead(int role, std::int64_t k) {
    const std::uint64_t request = loader_->NextRequest(role);
    requested_.at(static_cast<std::size_t>(role)) = request;
    QMetaObject::invokeMethod(
        loader_, [loader = loader_, request, role, k]() { loader->Read(request, role, k); },
        Qt::QueuedConnection);
}

void ViewerWindow::ShowBurst(std::int64_t k) {
    if (!info_ || Bursts() == 0) {
        return;
    }
    k = std::clamp<std::int64_t>(k, 0, Bursts() - 1);
    if (k == wanted_ && ShownBurst() == k) {
        return;
    }
    wanted_ = k;
    const QSignalBlocker spin(burstSpin_);
    const QSignalBlocker slider(burstSlider_);
    burstSpin_->setValue(static_cast<int>(k + 1));
    burstSlider_->setValue(static_cast<int>(k + 1));
    notice_->setText(Utf8(texts::ViewerReadingBurst(k + 1)));
    RequestRead(BurstLoader::ShownRole, k);
}

void ViewerWindow::ShowOverlay(std::optional<std::int64_t> k) {
    if (k && (!info_ || *k < 0 || *k >= Bursts())) {
        k.reset();
    }
    wantedOverlay_ = k;
    if (!k) {
        loader_->NextRequest(BurstLoader::OverlayRole); // a read on its way is not wanted
        charts_->SetOverlay(nullptr);
        UpdateReadout();
        return;
    }
    RequestRead(BurstLoader::OverlayRole, *k);
}

void ViewerWindow::Reload() {
    reloadAction_->setEnabled(false);
    QMetaObject::invokeMethod(
        loader_, [loader = loader_]() { loader->Open(); }, Qt::QueuedConnection);
}

void ViewerWindow::OnProgress(qint64 done, qint64 total) {
    progress_->show();
    progress_->setValue(total > 0 ? static_cast<int>(std::min<qint64>(100, done * 100 / total))
                                  : 0);
}

void ViewerWindow::OnOpened(std::shared_ptr<const RecordingInfo> info) {
    const bool first = !info_;
    info_ = std::move(info);
    timing_.emplace(info_->Header);
    progress_->hide();
    reloadAction_->setEnabled(true);
    ShowHeader();
    SetNavigationRange();
    notice_->setText(
        Utf8(info_->Contents.CompleteBursts == 0 ? texts::ViewerNoBursts : info_->Notice));
    if (Bursts() > 0) {
        // A reload keeps the burst shown; it is read again, since the file may have changed.
        const std::int64_t k = first ? 0 : std::min(wanted_, Bursts() - 1);
        wanted_ = -1;
        ShowBurst(k);
        if (wantedOverlay_) {
            ShowOverlay(std::min(*wantedOverlay_, Bursts() - 1));
        }
    }
    CheckSettled();
}

void ViewerWindow::OnBurstRead(quint64 request, int role,
                               std::shared_ptr<const tessary::ShownBurst> burst) {
    if (request == requested_.at(static_cast<std::size_t>(role))) {
        if (role == BurstLoader::ShownRole) {
            charts_->SetBurst(std::move(burst));
            notice_->setText(Utf8(info_->Notice));
            UpdateTitle();
        } else if (wantedOverlay_) {
            charts_->SetOverlay(std::move(burst));
        }
        UpdateReadout();
    }
    CheckSettled();
}

void ViewerWindow::OnFailed(const QString& message) {
    progress_->hide();
    reloadAction_->setEnabled(true);
    notice_->setText(message);
    dialogs_.ShowError(message.toStdString());
    CheckSettled();
}

void ViewerWindow::OnExported(const QString& target) {
    notice_->setText(Utf8(texts::ViewerExported(target.toStdString())));
}

void ViewerWindow::CheckSettled() {
    // Skipped requests never answer: only the newest of each role is awaited.
    if (!info_ ||
        ((ShownBurst() == wanted_ || Bursts() == 0) && OverlayBurst() == wantedOverlay_)) {
        emit Settled();
    }
}

void ViewerWindow::SetNavigationRange() {
    const int last = static_cast<int>(std::max<std::int64_t>(Bursts(), 1));
    for (QSpinBox* spin : {burstSpin_, overlaySpin_}) {
        const QSignalBlocker block(spin);
        spin->setRange(1, last);
    }
    const QSignalBlocker block(burstSlider_);
    burstSlider_->setRange(1, last);
    burstSlider_->setPageStep(std::max(last / 20, 1));
    burstCount_->setText(QStringLiteral("/ ") + QString::number(Bursts()));
}

void ViewerWindow::ShowHeader() {
    const MeasurementParameters& h = info_->Header;
    const RecordingContents& contents = info_->Contents;
    const QString format = (contents.Format == RecordingFormat::Sdf ? QStringLiteral("SDF ")
                                                                    : QStringLiteral("TSD ")) +
                           QStringLiteral("Ver.") + QString::number(contents.Version);
    QString memo = FromFile(h.Memo).trimmed();
    memo.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines;
    lines << Utf8(texts::ViewerFormatLabel) + format << Utf8(texts::ViewerMemoLabel) + memo
          << Utf8(texts::ViewerStartLabel) + Clock(h.StartTime)
          << Utf8(texts::ViewerSamplingLabel) + Interval(h.SInterval, h.SITUnit)
          << Utf8(texts::ViewerSampleCountLabel) + QString::number(h.DataNum)
          << Utf8(texts::ViewerBurstIntervalLabel) + Interval(h.BInterval, h.BITUnit)
          << Utf8(texts::ViewerBurstsLabel) +
                 Utf8(texts::ViewerBurstCount(contents.StatedBursts, contents.CompleteBursts));
    headerText_->setText(lines.join(QLatin1Char('\n')));

    const int rows = h.ChNum + h.BurstValueNum;
    channelTable_->setRowCount(rows);
    for (int row = 0; row < rows; ++row) {
        const ChannelSpec& spec = h.Channel(row);
        SetCell(*channelTable_, row, 0,
                row < h.ChNum ? QString::number(row + 1)
                              : QStringLiteral("V") + QString::number(row - h.ChNum + 1));
        SetCell(*channelTable_, row, 1, FromFile(spec.Item));
        SetCell(*channelTable_, row, 2, FromFile(spec.Unit));
        SetCell(*channelTable_, row, 3, Utf8(FormatGeneral(spec.A, 7)));
        SetCell(*channelTable_, row, 4, Utf8(FormatGeneral(spec.B, 7)));
    }

    std::vector<ViewerCharts::ChannelTitle> titles;
    for (int c = 0; c < h.ChNum; ++c) {
        titles.push_back({FromFile(h.Channel(c).Item), FromFile(h.Channel(c).Unit)});
    }
    charts_->SetTitles(titles, Utf8(texts::ViewerTimeTitle(timing_->AxisUnit())));
    readout_->setRowCount(FirstChannelRow + h.ChNum);
    SetCell(*readout_, TimeRow, ItemColumn, Utf8(texts::ViewerTimeRow));
    SetCell(*readout_, TimeRow, UnitColumn, Utf8(timing_->AxisUnit()));
    SetCell(*readout_, ClockRow, ItemColumn, Utf8(texts::ViewerClockRow));
    for (int c = 0; c < h.ChNum; ++c) {
        SetCell(*readout_, FirstChannelRow + c, ItemColumn,
                titles[static_cast<std::size_t>(c)].Item);
        SetCell(*readout_, FirstChannelRow + c, UnitColumn,
                titles[static_cast<std::size_t>(c)].Unit);
    }
}

void ViewerWindow::UpdateTitle() {
    const tessary::ShownBurst* burst = charts_->Burst();
    if (burst == nullptr || !timing_) {
        return;
    }
    setWindowTitle(Utf8(
        texts::ViewerTitle(QFileInfo(path_).fileName().toStdString(), burst->Number() + 1, Bursts(),
                           Clock(timing_->PlannedStart(burst->Number())).toStdString())));
}

void ViewerWindow::UpdateReadout() {
    const tessary::ShownBurst* burst = charts_->Burst();
    if (burst == nullptr || !timing_) {
        return;
    }
    std::array<std::optional<CursorReading>, 2> readings;
    for (int i = 0; i < 2; ++i) {
        if (const std::optional<double> time = charts_->Cursor(i)) {
            readings[static_cast<std::size_t>(i)] = CursorReading::At(*burst, *timing_, *time);
        }
    }
    const auto time = [&](int i) -> std::optional<double> {
        return readings[static_cast<std::size_t>(i)]
                   ? std::optional<double>(readings[static_cast<std::size_t>(i)]->Time)
                   : std::nullopt;
    };
    const auto clock = [&](int i) -> std::optional<double> {
        return readings[static_cast<std::size_t>(i)] ? readings[static_cast<std::size_t>(i)]->Clock
                                                     : std::nullopt;
    };
    SetCell(*readout_, TimeRow, Cursor1, Utf8(ReadoutText(time(0))));
    SetCell(*readout_, TimeRow, Cursor2, Utf8(ReadoutText(time(1))));
    SetCell(*readout_, TimeRow, DiffColumn, Utf8(ReadoutText(Difference(time(0), time(1)))));
    SetCell(*readout_, TimeRow, MinColumn, Utf8(FormatGeneral(charts_->From(), 7)));
    SetCell(*readout_, TimeRow, MaxColumn, Utf8(FormatGeneral(charts_->To(), 7)));
    SetCell(*readout_, ClockRow, Cursor1, Clock(clock(0)));
    SetCell(*readout_, ClockRow, Cursor2, Clock(clock(1)));
    for (int c = 0; c < burst->Channels(); ++c) {
        const int row = FirstChannelRow + c;
        const auto value = [&](int i) -> std::optional<double> {
            return readings[static_cast<std::size_t>(i)]
                       ? readings[static_cast<std::size_t>(i)]->Values[static_cast<std::size_t>(c)]
                       : std::nullopt;
        };
        SetCell(*readout_, row, Cursor1, Utf8(ReadoutText(value(0))));
        SetCell(*readout_, row, Cursor2, Utf8(ReadoutText(value(1))));
        SetCell(*readout_, row, DiffColumn, Utf8(ReadoutText(Difference(value(0), value(1)))));
        const ChannelView& channel = burst->Channel(c);
        const RangeStatistics stats =
            channel.Statistics(channel.FirstAt(charts_->From()), channel.EndAt(charts_->To()));
        const auto number = [&](double v) {
            return stats.Values > 0 ? Utf8(FormatGeneral(v, 7)) : Utf8(texts::ViewerMissingValue);
        };
        SetCell(*readout_, row, MinColumn, number(stats.Min));
        SetCell(*readout_, row, MaxColumn, number(stats.Max));
        SetCell(*readout_, row, MeanColumn, number(stats.Mean));
        SetCell(*readout_, row, RmsColumn, number(stats.Rms));
        SetCell(*readout_, row, GapsColumn, QString::number(stats.Gaps));
    }
    const MeasurementParameters& h = info_->Header;
    QStringList values;
    for (std::size_t e = 0; e < burst->BurstValues().size(); ++e) {
        const ChannelSpec& spec = h.Channel(h.ChNum + static_cast<int>(e));
        values << FromFile(spec.Item) + QStringLiteral(" = ") +
                      Utf8(ReadoutText(burst->BurstValues()[e])) + QLatin1Char(' ') +
                      FromFile(spec.Unit);
    }
    burstValues_->setVisible(!values.isEmpty());
    burstValues_->setText(Utf8(texts::ViewerBurstValuesLabel) + values.join(QStringLiteral("　")));
}

void ViewerWindow::ExportCsv() {
    const tessary::ShownBurst* burst = charts_->Burst();
    if (burst == nullptr || burst->Channels() == 0) {
        return;
    }
    const QFileInfo source(path_);
    const QString proposed =
        source.dir().filePath(source.completeBaseName() + QStringLiteral("_") +
                              QString::number(burst->Number() + 1) + QStringLiteral(".csv"));
    const std::optional<QString> target =
        chooseFile_(this, Utf8(texts::ViewerCsvFilter), proposed, true);
    if (!target) {
        return;
    }
    const ChannelView& channel = burst->Channel(0);
    const auto first = static_cast<std::int32_t>(channel.FirstAt(charts_->From()));
    const auto end = static_cast<std::int32_t>(channel.EndAt(charts_->To()));
    const std::int64_t k = burst->Number();
    QMetaObject::invokeMethod(
        loader_,
        [loader = loader_, file = *target, k, first, end]() {
            loader->ExportCsv(file, k, first, end);
        },
        Qt::QueuedConnection);
}

void ViewerWindow::ExportPng() {
    const QFileInfo source(path_);
    const QString proposed = source.dir().filePath(source.completeBaseName() + QStringLiteral("_") +
                                                   QString::number(ShownBurst().value_or(0) + 1) +
                                                   QStringLiteral(".png"));
    const std::optional<QString> target =
        chooseFile_(this, Utf8(texts::ViewerPngFilter), proposed, true);
    if (!target) {
        return;
    }
    // The whole stack of charts, also the part scrolled out of sight.
    QImage image(charts_->size() * charts_->devicePixelRatio(), QImage::Format_RGB32);
    image.setDevicePixelRatio(charts_->devicePixelRatio());
    image.fill(Qt::white);
    charts_->render(&image);
    if (!image.save(*target, "PNG")) {
        const std::string message = texts::CannotWrite(target->toStdString());
        notice_->setText(Utf8(message));
        dialogs_.ShowError(message);
        return;
    }
    notice_->setText(Utf8(texts::ViewerExported(target->toStdString())));
}

} // namespace tessary
