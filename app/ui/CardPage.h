// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/AdLib32.h"
#include "acquisition/sigrok/SigrokDeviceDescription.h"

#include <QWidget>

#include <array>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tessary {

// The page "カード情報": the card to record from (its name, chosen among the devices a scan
// found or typed in), what detection found, and the card's state. The simulated card shows
// its kind, I/O base and IRQ; a sigrok device its vendor, model and connection in the same
// rows, and its analog inputs with the unit of each.
class CardPage final : public QWidget {
public:
    explicit CardPage(QWidget* parent = nullptr);

    void ShowCardResource(const CardResource& resource);
    void ShowDevice(const SigrokDeviceDescription& device);
    // No card was found: the card's kind reads "No Card in Slot".
    void ShowNoCard(bool sigrok);
    // The names to choose from, `current` shown (and added when not among them).
    void SetChoices(const std::vector<std::string>& names, const std::string& current);

    QComboBox* ComboCardName = nullptr;
    QPushButton* BtnRescan = nullptr;
    QLineEdit* TextCardType = nullptr;
    QLineEdit* TextAdrs = nullptr;
    QLineEdit* TextIrqNo = nullptr;
    QLineEdit* TextStatus = nullptr;
    QPlainTextEdit* TextInputs = nullptr;

private:
    // The labels of the kind, I/O base and IRQ rows, which name a device's vendor, model
    // and connection instead.
    void LabelRows(bool sigrok);

    std::array<QLabel*, 3> rowLabels_{};
    QLabel* inputsLabel_ = nullptr;
};

} // namespace tessary
