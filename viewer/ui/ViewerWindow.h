// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/BurstTiming.h"
#include "viewer/ui/BurstLoader.h"

#include <QMainWindow>
#include <QString>
#include <QThread>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QCheckBox;
class QLabel;
class QProgressBar;
class QScrollArea;
class QSlider;
class QSpinBox;
class QTableWidget;

namespace tessary {

class Dialogs;
class ViewerCharts;

// A window that shows one recording, read-only: its header, and one complete burst at a time
// with every channel as a chart, two cursors with their readings, statistics of the shown
// range, an overlay burst, and export of the shown range to CSV and of the charts to PNG.
//
// The file is read by a BurstLoader on a thread of the window's own, so that the window's
// thread (which drives a running measurement) only ever lays out and draws. Several windows
// may be open, one per file. Closing the window stops its reading and deletes it.
class ViewerWindow : public QMainWindow {
    Q_OBJECT

public:
    // Asks for a file name: the filter as "description|patterns", a proposed name, and
    // whether it is for saving. Nothing when cancelled.
    using ChooseFile = std::function<std::optional<QString>(QWidget* parent, const QString& filter,
                                                            const QString& proposed, bool save)>;

    // Starts reading `path`. `dialogs` shows errors; both must outlive the window.
    ViewerWindow(const QString& path, Dialogs& dialogs, ChooseFile chooseFile,
                 QWidget* parent = nullptr);
    ~ViewerWindow() override;

    // Opens a new window for `path`, deleted when closed, and shows it.
    static ViewerWindow* OpenViewer(const QString& path, Dialogs& dialogs, ChooseFile chooseFile);

    // The burst shown (0-based); nothing until the first has been read.
    std::optional<std::int64_t> ShownBurst() const;
    std::optional<std::int64_t> OverlayBurst() const;
    std::int64_t Bursts() const;
    const RecordingInfo* Info() const { return info_.get(); }
    ViewerCharts& Charts() { return *charts_; }
    QTableWidget& Readout() { return *readout_; }
    QString Notice() const;

    // Commands, also on the menus, buttons and keys.
    void ShowBurst(std::int64_t k);
    void ShowOverlay(std::optional<std::int64_t> k);
    void Reload();
    void ExportCsv();
    void ExportPng();

signals:
    // Every burst asked for has been shown (tests wait for it).
    void Settled();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    QWidget* BuildToolbar();
    QWidget* BuildHeaderPanel();
    QWidget* BuildReadoutPanel();
    void OnProgress(qint64 done, qint64 total);
    void OnOpened(std::shared_ptr<const RecordingInfo> info);
    void OnBurstRead(quint64 request, int role, std::shared_ptr<const tessary::ShownBurst> burst);
    void OnFailed(const QString& message);
    void OnExported(const QString& target);
    void ShowHeader();
    void UpdateTitle();
    void UpdateReadout();
    void SetNavigationRange();
    void RequestRead(int role, std::int64_t k);
    void CheckSettled();

    QString path_;
    Dialogs& dialogs_;
    ChooseFile chooseFile_;
    QThread thread_;
    BurstLoader* loader_ = nullptr;
    std::shared_ptr<const RecordingInfo> info_;
    std::optional<BurstTiming> timing_;
    std::int64_t wanted_ = 0;
    std::optional<std::int64_t> wantedOverlay_;
    std::array<std::uint64_t, 2> requested_{};

    ViewerCharts* charts_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QSpinBox* burstSpin_ = nullptr;
    QLabel* burstCount_ = nullptr;
    QSlider* burstSlider_ = nullptr;
    QCheckBox* overlayCheck_ = nullptr;
    QSpinBox* overlaySpin_ = nullptr;
    QLabel* headerText_ = nullptr;
    QTableWidget* channelTable_ = nullptr;
    QTableWidget* readout_ = nullptr;
    QLabel* burstValues_ = nullptr;
    QLabel* notice_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QAction* reloadAction_ = nullptr;
};

} // namespace tessary
