// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/HelpLibrary.h"
#include "data/Dialogs.h"

#include <QPointer>

#include <string>

namespace tessary {

class HelpViewer;

// The help commands of the main window. Create one in FormCreate and keep it for the
// program's life: it loads the help library when created and frees it when destroyed.
// TForm1 forwards:
//   Contents1Click → Contents(HelpFileName)
//   BitBtn2Click   → Keyword(HelpFileName, texts::ChannelHelpKeyword)
// A help file that is missing or does not read as one is reported in an error box naming it.
// The help window is a top-level window of its own, not owned by the main window, and is
// reused by later commands. Paths and texts are UTF-8.
class HelpCommands {
public:
    explicit HelpCommands(Dialogs& dialogs);
    ~HelpCommands();
    HelpCommands(const HelpCommands&) = delete;
    HelpCommands& operator=(const HelpCommands&) = delete;

    void Contents(const std::string& helpFileName);
    void Keyword(const std::string& helpFileName, const std::string& keyword);

    // The help window once a command has opened it (nullptr before).
    HelpViewer* Viewer() const;

private:
    bool CheckHelpFile(const std::string& helpFileName);
    HelpViewer& EnsureViewer();
    void Present(bool opened, const std::string& helpFileName);

    Dialogs& dialogs_;
    HelpLibrary library_;
    QPointer<HelpViewer> viewer_;
};

} // namespace tessary
