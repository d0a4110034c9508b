// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ProgramArguments.h"
#include "app/VersionReport.h"
#include "app/ui/QtDialogs.h"
#include "app/ui/QtFileDialogs.h"
#include "app/ui/TApplication.h"
#include "app/ui/TForm1.h"
#include "app/ui/TerminationSignals.h"
#include "texts/Version.h"

#include <QDialog>
#include <QIcon>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Arguments(const QStringList& arguments) {
    std::vector<std::string> args;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        args.push_back(arguments[i].toStdString());
    }
    return args;
}

int Fail(int status, const std::string& text) {
    std::fprintf(stderr, "tessary: %s\n", text.c_str());
    return status;
}

} // namespace

int main(int argc, char* argv[]) {
    using tessary::ProgramArguments;
    // --help and --version answer without a display.
    const ProgramArguments early(std::vector<std::string>(argv + 1, argv + argc));
    if (early.What() == ProgramArguments::Action::Help) {
        std::fputs(ProgramArguments::HelpText().c_str(), stdout);
        return 0;
    }
    if (early.What() == ProgramArguments::Action::Version) {
        std::fputs(tessary::VersionReport("tessary").c_str(), stdout);
        return 0;
    }

    tessary::QtDialogs dialogs;
    tessary::TApplication app(argc, argv, dialogs);
    const ProgramArguments arguments(Arguments(QCoreApplication::arguments()));
    if (arguments.What() == ProgramArguments::Action::Wrong) {
        return Fail(2, arguments.Problem() + "; `tessary --help` describes the command line");
    }
    const std::string& startFile = arguments.StartFile();
    const std::string& viewFile = arguments.ViewFile();
    for (const std::string& file : {startFile, viewFile}) {
        const std::string problem = file.empty() ? std::string() : tessary::StartFileProblem(file);
        if (!problem.empty()) {
            return Fail(1, file + ": " + problem);
        }
    }
    QGuiApplication::setDesktopFileName(QString::fromLatin1(tessary::ApplicationId));
    tessary::TerminationSignals termination;

    tessary::QtFileDialogs fileDialogs;
    tessary::TForm1 form(dialogs, fileDialogs, [](QDialog& dialog) { return dialog.exec(); });
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("tessary"), QIcon(QStringLiteral(":/tessary/emblem.png"))));
    form.FormShow();
    if (!termination.Requested()) {
        form.show();
    }
    if (!startFile.empty()) {
        // As an error of a menu command would be: shown, and the window goes on.
        try {
            form.LoadParametersFrom(startFile);
        } catch (const std::exception& error) {
            dialogs.ShowError(error.what());
        }
    }
    if (!viewFile.empty() && !termination.Requested()) {
        form.OpenViewer(viewFile);
    }
    if (termination.Requested()) {
        form.close();
        return 0;
    }
    termination.CloseOnRequest(&form);
    return app.exec();
}
