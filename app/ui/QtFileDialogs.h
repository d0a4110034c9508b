// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ui/FileDialogs.h"

#include <QFileDialog>

#include <memory>

namespace tessary {

// FileDialogs shown as Qt's own file dialogs, never the desktop's native ones: those follow
// the desktop's language, while this window is Japanese throughout.
class QtFileDialogs final : public FileDialogs {
public:
    // The dialog that OpenFileName (`save` false) or SaveFileName shows.
    static std::unique_ptr<QFileDialog> Dialog(QWidget* parent, const QString& filter,
                                               const QString& folder, const QString& proposed,
                                               bool save);

    std::optional<QString> OpenFileName(QWidget* parent, const QString& filter,
                                        const QString& folder, const QString& proposed) override;
    std::optional<QString> SaveFileName(QWidget* parent, const QString& filter,
                                        const QString& folder, const QString& proposed) override;

    // "Parameter files (*.apm,*.sdf)|*.apm;*.sdf" → "Parameter files (*.apm *.sdf)", one
    // Qt filter per description-pattern pair.
    static QString QtFilter(const QString& filter);
};

} // namespace tessary
