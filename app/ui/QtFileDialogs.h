#pragma once

#include "app/ui/FileDialogs.h"

namespace tessary {

// FileDialogs shown as Qt's file dialogs.
class QtFileDialogs final : public FileDialogs {
public:
    std::optional<QString> OpenFileName(QWidget* parent, const QString& filter,
                                        const QString& folder, const QString& proposed) override;
    std::optional<QString> SaveFileName(QWidget* parent, const QString& filter,
                                        const QString& folder, const QString& proposed) override;

    // "Parameter files (*.apm,*.sdf)|*.apm;*.sdf" → "Parameter files (*.apm *.sdf)", one
    // Qt filter per description-pattern pair.
    static QString QtFilter(const QString& filter);
};

} // namespace tessary
