// SPDX-License-Identifier: GPL-3.0-or-later
// What a run shows in the main window, and the timer that drives the run's passes.
#include "app/ui/TForm1.h"

#include "acquisition/RunControl.h"
#include "acquisition/ui/ChartPanel.h"
#include "app/ui/PacedText.h"
#include "app/ui/QtStrings.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>

namespace tessary {

void TForm1::SchedulePass(std::chrono::milliseconds wait) {
    passTimer_.start(wait);
}

void TForm1::RunPass() {
    const std::chrono::milliseconds wait = run_->Pass();
    if (run_->Running()) {
        SchedulePass(wait);
    }
}

void TForm1::SetEditPresentStatus(const std::string& text) {
    EditPresentStatus->setText(Q(text));
}

void TForm1::SetEditTime(const std::string& text) {
    editTimeText_->Set(text);
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
    chartPanel_->SetupCharts(settings_.DisplayUnitName, settings_.DisplayInterval);
}

void TForm1::ShowConvertedScans(std::int32_t scans) {
    chartPanel_->ShowConvertedScans(scans);
}

void TForm1::Panel2Resize() {
    chartPanel_->Panel2Resize();
}

void TForm1::FocusField(SettingField field, int channel) {
    QWidget* widget = nullptr;
    switch (field) {
    case SettingField::WaitTime:
        widget = EditWaitTime;
        break;
    case SettingField::Iteration:
        widget = EditIteration;
        break;
    case SettingField::BurstInterval:
        widget = EditBurstInterval;
        break;
    case SettingField::BurstUnit:
        widget = ComboBoxBITUnit;
        break;
    case SettingField::SInterval:
        widget = EditSInterval;
        break;
    case SettingField::SamplingUnit:
        widget = ComboSampUnit;
        break;
    case SettingField::DataNum:
        widget = EditDataNum;
        break;
    case SettingField::ChNum:
        widget = ComboChNum;
        break;
    case SettingField::CoefficientA:
    case SettingField::CoefficientB:
        widget = StringGridChannel;
        StringGridChannel->setCurrentCell(channel, field == SettingField::CoefficientA ? 3 : 4);
        break;
    }
    // The field's page comes to the front first: a widget on a hidden page takes no focus.
    for (QWidget* page = widget; page != nullptr; page = page->parentWidget()) {
        if (PageControl1->indexOf(page) >= 0) {
            PageControl1->setCurrentWidget(page);
            break;
        }
    }
    widget->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->selectAll();
    }
}

void TForm1::DisableMenus() {
    File1->menuAction()->setEnabled(false);
    Analysis1->menuAction()->setEnabled(false);
    SetCardChoosing(false);
}

void TForm1::EnableMenus() {
    File1->menuAction()->setEnabled(true);
    Analysis1->menuAction()->setEnabled(true);
    SetCardChoosing(true);
}

} // namespace tessary
