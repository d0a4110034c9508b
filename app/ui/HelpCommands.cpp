// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/HelpCommands.h"

#include "app/ui/HelpViewer.h"
#include "texts/Texts.h"

#include <QFileInfo>

namespace tessary {

HelpCommands::HelpCommands(Dialogs& dialogs) : dialogs_(dialogs) {
    library_.LoadHelpLibrary();
}

HelpCommands::~HelpCommands() {
    delete viewer_;
    library_.UnloadHelpLibrary();
}

void HelpCommands::Contents(const std::string& helpFileName) {
    if (CheckHelpFile(helpFileName)) {
        Present(EnsureViewer().OpenDefaultTopic(QString::fromStdString(helpFileName)),
                helpFileName);
    }
}

void HelpCommands::Keyword(const std::string& helpFileName, const std::string& keyword) {
    if (CheckHelpFile(helpFileName)) {
        Present(EnsureViewer().OpenKeyword(QString::fromStdString(helpFileName),
                                           QString::fromStdString(keyword)),
                helpFileName);
    }
}

HelpViewer* HelpCommands::Viewer() const {
    return viewer_;
}

bool HelpCommands::CheckHelpFile(const std::string& helpFileName) {
    if (!library_.Available()) {
        dialogs_.ShowError(texts::NotFound(HelpLibrary::LibraryName));
        return false;
    }
    if (!QFileInfo(QString::fromStdString(helpFileName)).isFile()) {
        dialogs_.ShowError(texts::NotFound(helpFileName));
        return false;
    }
    return true;
}

HelpViewer& HelpCommands::EnsureViewer() {
    if (viewer_ == nullptr) {
        viewer_ = new HelpViewer;
        // The help window must not keep the program running once the main window is closed.
        viewer_->setAttribute(Qt::WA_QuitOnClose, false);
    }
    return *viewer_;
}

void HelpCommands::Present(bool opened, const std::string& helpFileName) {
    if (!opened) {
        dialogs_.ShowError(texts::CannotOpen(helpFileName));
        return;
    }
    viewer_->show();
    viewer_->raise();
    viewer_->activateWindow();
}

} // namespace tessary
