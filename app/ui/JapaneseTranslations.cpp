// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/JapaneseTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace tessary {

bool InstallJapaneseTranslations(QCoreApplication& application) {
    // The translator lives as long as the application, which owns it.
    auto* translator = new QTranslator(&application);
    if (!translator->load(QStringLiteral("qtbase_ja"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace tessary
