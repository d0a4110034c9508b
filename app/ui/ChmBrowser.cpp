// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/ChmBrowser.h"

#include "app/ui/ChmArchive.h"

#include <QDesktopServices>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextDocument>

namespace tessary {

ChmBrowser::ChmBrowser(QWidget* parent) : QTextBrowser(parent) {
    setOpenLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &ChmBrowser::FollowLink);
}

void ChmBrowser::SetArchive(std::shared_ptr<ChmArchive> archive) {
    archive_ = std::move(archive);
    clearHistory();
}

std::optional<QByteArray> ChmBrowser::ReadObject(const QString& path) const {
    return archive_ == nullptr ? std::nullopt : archive_->Read(path);
}

QUrl ChmBrowser::TopicUrl(const QString& topic) {
    QUrl url;
    url.setScheme(QString::fromLatin1(Scheme));
    url.setPath(topic.startsWith(QLatin1Char('/')) ? topic : QLatin1Char('/') + topic);
    return url;
}

QString ChmBrowser::DecodeText(const QByteArray& bytes) {
    static const QRegularExpression Charset(
        QStringLiteral(R"(charset\s*=\s*["']?([A-Za-z0-9_.:-]+))"),
        QRegularExpression::CaseInsensitiveOption);
    const auto declared = Charset.match(QString::fromLatin1(bytes.left(4096)));
    if (declared.hasMatch()) {
        QStringDecoder decoder(declared.captured(1).toLatin1().constData());
        if (decoder.isValid()) {
            return decoder.decode(bytes);
        }
    }
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        return text;
    }
    QStringDecoder cp932("Shift_JIS");
    return cp932.isValid() ? QString(cp932.decode(bytes)) : text;
}

QVariant ChmBrowser::loadResource(int type, const QUrl& name) {
    const QUrl url = name.isRelative() ? source().resolved(name) : name;
    if (url.scheme() != QLatin1String(Scheme)) {
        return {};
    }
    const auto bytes = ReadObject(url.path());
    if (!bytes) {
        return {};
    }
    if (type == QTextDocument::HtmlResource || type == QTextDocument::StyleSheetResource) {
        return DecodeText(*bytes);
    }
    return *bytes;
}

void ChmBrowser::FollowLink(const QUrl& link) {
    const QUrl url = link.isRelative() ? source().resolved(link) : link;
    if (url.scheme() == QLatin1String(Scheme)) {
        setSource(url);
    } else {
        QDesktopServices::openUrl(url);
    }
}

} // namespace tessary
