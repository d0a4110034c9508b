// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QToolButton;

namespace tessary {

class ChmBrowser;

// The help window: shows a compiled help file (.chm) with working links and images, with
// buttons back, forward and to the file's default topic.
class HelpViewer : public QWidget {
    Q_OBJECT
public:
    explicit HelpViewer(QWidget* parent = nullptr);

    // Opens the file and shows its default topic. False, with the window unchanged, when the
    // file cannot be read as a help file or its default topic is missing.
    bool OpenDefaultTopic(const QString& helpFile);
    // Opens the file at the topic that its keyword index gives for `keyword`, or at the
    // default topic when the index has no such keyword. False as above.
    bool OpenKeyword(const QString& helpFile, const QString& keyword);

    // The topic shown, e.g. "/index.html".
    QString CurrentTopic() const;
    ChmBrowser* Browser() const { return browser_; }

private:
    bool OpenFile(const QString& helpFile);
    void ShowTopic(const QString& topic);
    void UpdateTitle();

    QString defaultTopic_;
    QString indexFile_;
    QString title_;
    ChmBrowser* browser_;
    QToolButton* back_;
    QToolButton* forward_;
    QToolButton* home_;
};

} // namespace tessary
