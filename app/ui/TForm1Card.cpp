// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's card: which one to record from, looking for it, and showing what was
// found on the card page.
#include "app/ui/TForm1.h"

#include "acquisition/RunControl.h"
#include "acquisition/SimulatedCard.h"
#include "acquisition/sigrok/SigrokCard.h"
#include "acquisition/sigrok/SigrokLibrary.h"
#include "app/ui/CardPage.h"
#include "app/ui/QtStrings.h"
#include "data/Dialogs.h"
#include "data/FileNames.h"
#include "texts/Texts.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>

namespace tessary {

SimulatedCardSettings TForm1::LoadCardSettings() {
    try {
        return SimulatedCardSettings::Load(paths_.CardSettingsFile);
    } catch (const std::exception& error) {
        dialogs_.ShowError(error.what());
        return {};
    }
}

SigrokCardSettings TForm1::LoadCardChoice() {
    try {
        return SigrokCardSettings::Load(cardChoiceFile_);
    } catch (const std::exception& error) {
        dialogs_.ShowError(error.what());
        return {};
    }
}

std::unique_ptr<AdLib32> TForm1::MakeCard(const CardName& name,
                                          const SigrokCardSettings& settings) {
    cardName_ = name;
    cardPage_->SetChoices({SimulatedCardName}, name.Text());
    if (name.Type == CardName::Kind::Sigrok) {
        auto card = std::make_unique<SigrokCard>(name, settings, clock_.MonotonicTime());
        sigrokCard_ = card.get();
        return card;
    }
    sigrokCard_ = nullptr;
    return std::make_unique<SimulatedCard>(LoadCardSettings(), clock_.MonotonicTime());
}

void TForm1::UseCard(std::unique_ptr<AdLib32> card) {
    run_.reset(); // it holds the card that goes now
    card_ = std::move(card);
    run_ = std::make_unique<RunControl>(*card_, cardWindow_, sdfData_, settings_, *this, dialogs_,
                                        clock_);
}

bool TForm1::DetectTheCard() {
    const std::optional<CardResource> resource = DetectCard(*card_);
    if (resource) {
        if (sigrokCard_ != nullptr && sigrokCard_->Description()) {
            cardPage_->ShowDevice(*sigrokCard_->Description());
        } else {
            cardPage_->ShowCardResource(*resource);
        }
        TextStatus->setText(QString::fromUtf8(texts::CardStopped));
        BtnAdStart->setEnabled(true);
        return true;
    }
    cardPage_->ShowNoCard(sigrokCard_ != nullptr);
    const std::string lookedFor = card_->LastFailure();
    TextStatus->setText(lookedFor.empty() ? QString::fromUtf8(texts::CardStopped) : Q(lookedFor));
    BtnAdStart->setEnabled(false);
    dialogs_.ShowInformation(texts::NoCard);
    return false;
}

void TForm1::SetCardChoosing(bool enabled) {
    ComboCardName->setEnabled(enabled && !cardGiven_);
    BtnRescan->setEnabled(enabled && !cardGiven_);
}

void TForm1::ComboCardNameActivated() {
    if (Running() || cardGiven_) {
        return;
    }
    const std::string text = S(ComboCardName->currentText().trimmed());
    const std::optional<CardName> name = CardName::Parse(text);
    if (!name) {
        cardPage_->SetChoices({SimulatedCardName}, cardName_.Text());
        dialogs_.ShowError(texts::CardNameInvalid(text));
        return;
    }
    if (*name == cardName_) {
        return;
    }
    // The choice is kept in the card choice file only, never in a parameter file.
    try {
        QDir().mkpath(Q(FolderPart(cardChoiceFile_)));
        SigrokCardSettings::SaveName(cardChoiceFile_, *name);
    } catch (const std::exception& error) {
        dialogs_.ShowError(error.what());
    }
    UseCard(MakeCard(*name, LoadCardChoice()));
    DetectTheCard();
}

void TForm1::BtnRescanClick() {
    if (Running() || cardGiven_) {
        return;
    }
    std::vector<std::string> names = {SimulatedCardName};
    try {
        for (const SigrokLibrary::FoundDevice& found : SigrokLibrary::Acquire()->ScanAll()) {
            names.push_back(found.Card.Text());
        }
    } catch (const std::exception& error) {
        dialogs_.ShowError(error.what());
    }
    cardPage_->SetChoices(names, cardName_.Text());
    DetectTheCard();
}

} // namespace tessary
