// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/QtFileDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace tessary {

namespace {

// Where the dialog opens: the proposed name inside the starting folder.
QString StartPath(const QString& folder, const QString& proposed) {
    if (proposed.isEmpty()) {
        return folder;
    }
    if (QFileInfo(proposed).isAbsolute() || folder.isEmpty()) {
        return proposed;
    }
    return QFileInfo(folder + QLatin1Char('/') + proposed).filePath();
}

std::optional<QString> Chosen(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty() ||
        dialog.selectedFiles().first().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first();
}

} // namespace

QString QtFileDialogs::QtFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const qsizetype open = description.lastIndexOf(QLatin1Char('('));
        if (open > 0) {
            description = description.left(open).trimmed();
        }
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

std::unique_ptr<QFileDialog> QtFileDialogs::Dialog(QWidget* parent, const QString& filter,
                                                   const QString& folder, const QString& proposed,
                                                   bool save) {
    auto dialog = std::make_unique<QFileDialog>(parent, QString(), StartPath(folder, proposed),
                                                QtFilter(filter));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    if (save) {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setOption(QFileDialog::DontConfirmOverwrite);
    } else {
        dialog->setFileMode(QFileDialog::ExistingFile);
    }
    return dialog;
}

std::optional<QString> QtFileDialogs::OpenFileName(QWidget* parent, const QString& filter,
                                                   const QString& folder, const QString& proposed) {
    return Chosen(*Dialog(parent, filter, folder, proposed, false));
}

std::optional<QString> QtFileDialogs::SaveFileName(QWidget* parent, const QString& filter,
                                                   const QString& folder, const QString& proposed) {
    return Chosen(*Dialog(parent, filter, folder, proposed, true));
}

} // namespace tessary
