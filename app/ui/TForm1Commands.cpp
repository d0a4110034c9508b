// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's commands: its buttons and menu items.
#include "app/ui/TForm1.h"

#include "acquisition/MeasurementSetup.h"
#include "acquisition/RunControl.h"
#include "app/ParameterCommands.h"
#include "app/ui/AnalysisProgramCommand.h"
#include "app/ui/FileDialogs.h"
#include "app/ui/HelpCommands.h"
#include "app/ui/QtStrings.h"
#include "app/ui/TAboutBox.h"
#include "data/DateTime.h"
#include "data/FileNames.h"
#include "texts/Texts.h"
#include "viewer/ui/ViewerWindow.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>

namespace tessary {

void TForm1::BitBtn1Click() {
    const QString filter =
        QString::fromUtf8(FileType() == FileTypeTsd ? texts::TsdFileFilter : texts::SdfFileFilter);
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

void TForm1::BtnAdStartClick() {
    // The card is looked for again, so that a device plugged in (or out) since is seen.
    if (fileOperation_ || Running() || !DetectTheCard()) {
        return;
    }
    if (run_->BtnAdStartClick(Values())) {
        SchedulePass(std::chrono::milliseconds(0));
    }
}

void TForm1::BtnAdStopClick() {
    run_->BtnAdStopClick();
}

void TForm1::O1Click() {
    if (fileOperation_) {
        return;
    }
    const std::optional<QString> chosen = fileDialogs_.OpenFileName(
        this, QString::fromUtf8(texts::LoadParametersFilter), Q(paths_.DataFolder), QString());
    if (chosen) {
        LoadParametersFrom(S(*chosen));
    }
}

void TForm1::LoadParametersFrom(const std::string& chosen) {
    if (fileOperation_ || Running()) {
        return;
    }
    ControlValues values = Values();
    // While the load (and an upgrade within it) runs, nothing else may reach the record:
    // no other load or save, no Start, no change of the settings, no closing.
    fileOperation_ = true;
    DisableMenus();
    Panel1->setEnabled(false);
    const auto restore = qScopeGuard([this] {
        fileOperation_ = false;
        Panel1->setEnabled(true);
        EnableMenus();
    });
    if (!LoadParameters(chosen, sdfData_, values, settings_.SamplingUnitIndex)) {
        return;
    }
    ApplyLoadedValues(values);
    if (UpperExtension(chosen) == ".APM") {
        const std::string folder = DataFileBrowseFolder(values.FileName, paths_.DataFolder);
        if (!folder.empty()) {
            saveDialog1Folder_ = Q(folder);
        }
    }
}

void TForm1::ViewRecordingClick() {
    const std::optional<QString> chosen = fileDialogs_.OpenFileName(
        this, QString::fromUtf8(texts::ViewerOpenFilter), Q(paths_.DataFolder), QString());
    if (chosen) {
        OpenViewer(S(*chosen));
    }
}

ViewerWindow* TForm1::OpenViewer(const std::string& path) {
    const auto choose = [this](QWidget* parent, const QString& filter, const QString& proposed,
                               bool save) {
        const QString folder =
            proposed.isEmpty() ? Q(paths_.DataFolder) : QFileInfo(proposed).path();
        return save ? fileDialogs_.SaveFileName(parent, filter, folder, proposed)
                    : fileDialogs_.OpenFileName(parent, filter, folder, proposed);
    };
    ViewerWindow* viewer = ViewerWindow::OpenViewer(Q(path), dialogs_, choose);
    std::erase_if(viewers_, [](const QPointer<ViewerWindow>& v) { return v.isNull(); });
    viewers_.emplace_back(viewer);
    return viewer;
}

namespace {

// The recordings among the local files of a drag.
QStringList DroppedRecordings(const QMimeData* data) {
    QStringList paths;
    if (data == nullptr) {
        return paths;
    }
    for (const QUrl& url : data->urls()) {
        const QString path = url.toLocalFile();
        const std::string extension = UpperExtension(S(path));
        if (!path.isEmpty() && (extension == ".SDF" || extension == ".TSD")) {
            paths << path;
        }
    }
    return paths;
}

} // namespace

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedRecordings(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void TForm1::dropEvent(QDropEvent* event) {
    const QStringList paths = DroppedRecordings(event->mimeData());
    for (const QString& path : paths) {
        OpenViewer(S(path));
    }
    if (!paths.isEmpty()) {
        event->acceptProposedAction();
    }
}

void TForm1::Save1Click() {
    if (fileOperation_) {
        return;
    }
    const std::optional<QString> chosen = fileDialogs_.SaveFileName(
        this, QString::fromUtf8(texts::SaveParametersFilter), Q(paths_.DataFolder), QString());
    if (chosen) {
        SaveParameters(S(*chosen), Values());
    }
}

void TForm1::AssignApplicationClick() {
    analysis_->Assign(applicationSoftware_, applicationSoftwareConfirmed_);
}

void TForm1::OrvaneClick() {
    analysis_->Run(applicationSoftware_, applicationSoftwareConfirmed_, paths_.ProgramDir,
                   S(EditFileName->text()));
}

void TForm1::Contents1Click() {
    help_->Contents(paths_.HelpFileName);
}

void TForm1::BitBtn2Click() {
    help_->Keyword(paths_.HelpFileName, texts::ChannelHelpKeyword);
}

void TForm1::Version1Click() {
    runModal_(*aboutBox_);
}

void TForm1::Exit1Click() {
    close();
}

} // namespace tessary
