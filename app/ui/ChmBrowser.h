// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTextBrowser>

#include <memory>
#include <optional>

namespace tessary {

class ChmArchive;

// A text browser whose pages, images and style sheets come from a compiled help file, under
// URLs of the scheme "chm" ("chm:/index.html"). Links inside the file are followed here;
// links to the web go to the desktop's browser.
class ChmBrowser : public QTextBrowser {
    Q_OBJECT
public:
    static constexpr const char* Scheme = "chm";

    explicit ChmBrowser(QWidget* parent = nullptr);

    void SetArchive(std::shared_ptr<ChmArchive> archive);
    // The object at `path` ("/index.html") of the archive shown.
    std::optional<QByteArray> ReadObject(const QString& path) const;
    static QUrl TopicUrl(const QString& topic);

    // Text of a page or index: the encoding its markup declares, else UTF-8 when the bytes
    // are valid UTF-8, else CP932.
    static QString DecodeText(const QByteArray& bytes);

    QVariant loadResource(int type, const QUrl& name) override;

private:
    void FollowLink(const QUrl& link);

    std::shared_ptr<ChmArchive> archive_;
};

} // namespace tessary
