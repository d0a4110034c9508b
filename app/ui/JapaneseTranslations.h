// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QCoreApplication;

namespace tessary {

// The window is Japanese whatever the desktop's language, and so are Qt's own texts in it
// (the file dialogs' "名前を付けて保存", "キャンセル", ...): installs Qt's Japanese
// translations from the system's Qt translations folder (Debian qt6-translations-l10n) on
// the application. False when they are not installed; Qt's texts then stay English.
bool InstallJapaneseTranslations(QCoreApplication& application);

} // namespace tessary
