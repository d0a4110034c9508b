// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/CardPage.h"

#include "app/ui/QtStrings.h"
#include "texts/Texts.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace tessary {

namespace {

QLineEdit* CardField(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setStyleSheet(QStringLiteral("QLineEdit { color: white; background: #0a246a; }"));
    return edit;
}

} // namespace

CardPage::CardPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TabSheetCard"));
    auto* grid = new QGridLayout(this);

    grid->addWidget(new QLabel(QString::fromUtf8(texts::CardChoiceLabel), this), 0, 0, 1, 2);
    auto* choice = new QHBoxLayout;
    ComboCardName = new QComboBox(this);
    ComboCardName->setObjectName(QStringLiteral("ComboCardName"));
    ComboCardName->setEditable(true);
    // A typed name becomes an item, so that Enter chooses it like a picked one.
    ComboCardName->setInsertPolicy(QComboBox::InsertAtBottom);
    ComboCardName->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ComboCardName->setMinimumContentsLength(12);
    BtnRescan = new QPushButton(QString::fromUtf8(texts::RescanButton), this);
    BtnRescan->setObjectName(QStringLiteral("BtnRescan"));
    choice->addWidget(ComboCardName, 1);
    choice->addWidget(BtnRescan);
    grid->addLayout(choice, 1, 0, 1, 2);

    TextCardType = CardField("TextCardType", this);
    TextAdrs = CardField("TextAdrs", this);
    TextIrqNo = CardField("TextIrqNo", this);
    TextStatus = CardField("TextStatus", this);
    const std::array<QLineEdit*, 4> rows = {TextCardType, TextAdrs, TextIrqNo, TextStatus};
    for (std::size_t k = 0; k < rows.size(); ++k) {
        auto* label = new QLabel(this);
        if (k < rowLabels_.size()) {
            rowLabels_[k] = label;
        } else {
            label->setText(QString::fromUtf8(texts::CardStateLabel));
        }
        rows[k]->setReadOnly(rows[k] != TextStatus);
        grid->addWidget(label, static_cast<int>(k) + 2, 0);
        grid->addWidget(rows[k], static_cast<int>(k) + 2, 1);
    }

    inputsLabel_ = new QLabel(QString::fromUtf8(texts::InputsLabel), this);
    TextInputs = new QPlainTextEdit(this);
    TextInputs->setObjectName(QStringLiteral("TextInputs"));
    TextInputs->setReadOnly(true);
    grid->addWidget(inputsLabel_, 6, 0, 1, 2);
    grid->addWidget(TextInputs, 7, 0, 1, 2);
    grid->setRowStretch(8, 1);
    LabelRows(false);
}

void CardPage::LabelRows(bool sigrok) {
    const std::array<const char*, 3> names =
        sigrok
            ? std::array<const char*, 3>{texts::VendorLabel, texts::ModelLabel,
                                         texts::ConnectionLabel}
            : std::array<const char*, 3>{texts::CardTypeLabel, texts::IoBaseLabel, texts::IrqLabel};
    for (std::size_t k = 0; k < names.size(); ++k) {
        rowLabels_[k]->setText(QString::fromUtf8(names[k]));
    }
    inputsLabel_->setVisible(sigrok);
    TextInputs->setVisible(sigrok);
}

void CardPage::ShowCardResource(const CardResource& resource) {
    LabelRows(false);
    TextCardType->setText(QString::fromLatin1(CardTypeName(resource.Kind)));
    TextAdrs->setText(QString::number(resource.IoBase));
    TextIrqNo->setText(QString::number(resource.Irq));
}

void CardPage::ShowDevice(const SigrokDeviceDescription& device) {
    LabelRows(true);
    TextCardType->setText(Q(device.Vendor.empty() ? "sigrok " + device.Driver : device.Vendor));
    TextAdrs->setText(Q(device.Model));
    TextIrqNo->setText(Q(device.Connection));
    QStringList inputs;
    for (std::size_t k = 0; k < device.Channels.size(); ++k) {
        const std::string& unit = k < device.Units.size() && !device.Units[k].empty()
                                      ? device.Units[k]
                                      : std::string(texts::UnitUnknown);
        inputs << QStringLiteral("%1: %2  [%3]").arg(k + 1).arg(Q(device.Channels[k]), Q(unit));
    }
    TextInputs->setPlainText(inputs.join(QLatin1Char('\n')));
}

void CardPage::ShowNoCard(bool sigrok) {
    LabelRows(sigrok);
    TextCardType->setText(QString::fromUtf8(texts::NoCardInSlot));
    TextAdrs->clear();
    TextIrqNo->clear();
    TextInputs->clear();
}

void CardPage::SetChoices(const std::vector<std::string>& names, const std::string& current) {
    ComboCardName->clear();
    for (const std::string& name : names) {
        ComboCardName->addItem(Q(name));
    }
    if (ComboCardName->findText(Q(current)) < 0) {
        ComboCardName->addItem(Q(current));
    }
    ComboCardName->setCurrentIndex(ComboCardName->findText(Q(current)));
}

} // namespace tessary
