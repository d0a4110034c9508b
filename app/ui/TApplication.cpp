// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/TApplication.h"

#include "app/ui/JapaneseTranslations.h"
#include "data/Dialogs.h"
#include "texts/Texts.h"

#include <exception>

namespace tessary {

TApplication::TApplication(int& argc, char** argv, Dialogs& dialogs)
    : QApplication(argc, argv), dialogs_(dialogs) {
    InstallJapaneseTranslations(*this);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        dialogs_.ShowError(error.what());
    } catch (...) {
        dialogs_.ShowError(texts::UnknownError);
    }
    return false;
}

} // namespace tessary
