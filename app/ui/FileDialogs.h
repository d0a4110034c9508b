// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace tessary {

// The open and save dialogs of the window. Filters are written "description|patterns" with
// several patterns joined by ";", as the window states them. Nothing when cancelled.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    virtual std::optional<QString> OpenFileName(QWidget* parent, const QString& filter,
                                                const QString& folder, const QString& proposed) = 0;
    virtual std::optional<QString> SaveFileName(QWidget* parent, const QString& filter,
                                                const QString& folder, const QString& proposed) = 0;
};

} // namespace tessary
