// SPDX-License-Identifier: GPL-3.0-or-later
// The controls' values as one ControlValues, both ways, and the rules the controls keep
// (channel rows, file type and name, the comment's limit).
#include "app/ui/TForm1.h"

#include "acquisition/TextConversions.h"
#include "app/StartupDefaults.h"
#include "app/ui/QtStrings.h"
#include "data/Cp932.h"
#include "data/FileNames.h"
#include "data/MeasurementParameters.h"
#include "texts/Texts.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTableWidget>
#include <QTextCursor>

#include <algorithm>

namespace tessary {

namespace {

constexpr qsizetype MemoMaxBytes = MemoBytes;
// Bounds of a placement taken from a settings file: any screen layout fits, while a size
// that no backing store can hold, or a position whose far edge overflows, cannot reach the
// window.
constexpr int MaxWindowExtent = 8192;
constexpr int MaxWindowOffset = 1000000;

// Comment line breaks: CR LF in the values, a bare line feed in the edit control.
QString MemoToControl(const std::string& memo) {
    QString text = Q(memo);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// A list of the catalogue's texts, in order.
template <std::size_t N> QStringList TextList(const std::array<const char*, N>& texts) {
    QStringList list;
    for (const char* text : texts) {
        list << QString::fromUtf8(text);
    }
    return list;
}

std::string MemoFromControl(const QString& text) {
    QString memo = text;
    memo.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return S(memo);
}

} // namespace

void TForm1::ApplyLoadedValues(const ControlValues& values) {
    SetValues(values);
    if (ComboChNum->currentIndex() >= 0) {
        ComboChNumChange();
    }
}

ControlValues TForm1::Values() const {
    // Numbers reach the record and the files with a full stop; the desktop's decimal comma
    // is taken too.
    const std::string decimal = S(QLocale::system().decimalPoint());
    ControlValues values;
    const QRect frame = pendingFrame_ ? *pendingFrame_ : frameGeometry();
    values.Left = frame.x();
    values.Top = frame.y();
    values.Width = frame.width();
    values.Height = frame.height();
    values.WaitTime = WithFullStop(S(EditWaitTime->text()), decimal);
    values.Iteration = S(EditIteration->text());
    values.BurstInterval = S(EditBurstInterval->text());
    values.BurstUnitIndex = ComboBoxBITUnit->currentIndex();
    values.SInterval = S(EditSInterval->text());
    values.SampUnitIndex = ComboSampUnit->currentIndex();
    values.DataNum = S(EditDataNum->text());
    values.ChNum = S(ComboChNum->currentText());
    values.ChannelGrid.assign(1, ChannelHeadingRow());
    for (int row = 0; row < StringGridChannel->rowCount(); ++row) {
        std::array<std::string, 5> cells;
        for (int column = 0; column < ChannelColumns; ++column) {
            const QTableWidgetItem* item = StringGridChannel->item(row, column);
            cells[column] = item != nullptr ? S(item->text()) : std::string();
        }
        for (const int coefficient : {3, 4}) {
            cells[coefficient] = WithFullStop(cells[coefficient], decimal);
        }
        values.ChannelGrid.push_back(cells);
    }
    values.Memo = MemoFromControl(Memo1->toPlainText());
    values.FileType = FileType();
    values.FileName = S(EditFileName->text());
    values.ApplicationSoftware = applicationSoftware_;
    values.ApplicationSoftwareConfirmed = applicationSoftwareConfirmed_;
    return values;
}

void TForm1::SetValues(const ControlValues& values) {
    PlaceFrame(QRect(std::clamp(values.Left, -MaxWindowOffset, MaxWindowOffset),
                     std::clamp(values.Top, -MaxWindowOffset, MaxWindowOffset),
                     std::min(values.Width, MaxWindowExtent),
                     std::min(values.Height, MaxWindowExtent)));
    EditWaitTime->setText(Q(values.WaitTime));
    EditIteration->setText(Q(values.Iteration));
    EditBurstInterval->setText(Q(values.BurstInterval));
    if (ComboBoxBITUnit->count() == 0) {
        ComboBoxBITUnit->addItems(TextList(texts::BurstIntervalUnits));
    }
    ComboBoxBITUnit->setCurrentIndex(
        values.BurstUnitIndex < ComboBoxBITUnit->count() ? values.BurstUnitIndex : -1);
    EditSInterval->setText(Q(values.SInterval));
    if (ComboSampUnit->count() == 0) {
        ComboSampUnit->addItems(TextList(texts::SamplingIntervalUnits));
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
    applicationSoftwareConfirmed_ = values.ApplicationSoftwareConfirmed;
}

void TForm1::PlaceFrame(const QRect& frame) {
    pendingFrame_ = frame;
    SettleFrame();
}

void TForm1::SettleFrame() {
    if (!pendingFrame_ || settlingFrame_) {
        return;
    }
    const QRect frame = *pendingFrame_;
    const QSize border = frameGeometry().size() - geometry().size();
    settlingFrame_ = true;
    if (pos() != frame.topLeft()) {
        move(frame.topLeft());
    }
    if (size() != frame.size() - border) {
        resize(frame.size() - border);
    }
    settlingFrame_ = false;
    if (isVisible() && border != QSize(0, 0)) {
        pendingFrame_.reset();
    }
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

} // namespace tessary
