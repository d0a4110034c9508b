// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/HelpViewer.h"

#include "app/ChmSystemFile.h"
#include "app/SitemapIndex.h"
#include "app/ui/ChmArchive.h"
#include "app/ui/ChmBrowser.h"
#include "texts/Texts.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace tessary {

namespace {

QString AsTopic(const QString& name) {
    return name.startsWith(QLatin1Char('/')) ? name : QLatin1Char('/') + name;
}

QToolButton* MakeButton(QWidget* parent, QStyle::StandardPixmap icon, const QString& text) {
    auto* button = new QToolButton(parent);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setText(text);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    return button;
}

} // namespace

HelpViewer::HelpViewer(QWidget* parent)
    : QWidget(parent, Qt::Window), browser_(new ChmBrowser(this)),
      back_(MakeButton(this, QStyle::SP_ArrowBack, QString::fromUtf8(texts::HelpBackButton))),
      forward_(
          MakeButton(this, QStyle::SP_ArrowForward, QString::fromUtf8(texts::HelpForwardButton))),
      home_(MakeButton(this, QStyle::SP_DirHomeIcon, QString::fromUtf8(texts::HelpHomeButton))) {
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(4, 4, 4, 0);
    buttons->addWidget(back_);
    buttons->addWidget(forward_);
    buttons->addWidget(home_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(buttons);
    layout->addWidget(browser_);

    back_->setEnabled(false);
    forward_->setEnabled(false);
    home_->setEnabled(false);
    connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(home_, &QToolButton::clicked, this, [this] { ShowTopic(defaultTopic_); });
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this, &HelpViewer::UpdateTitle);

    setWindowTitle(QString::fromUtf8(texts::HelpTitle));
    resize(820, 640);
}

bool HelpViewer::OpenDefaultTopic(const QString& helpFile) {
    if (!OpenFile(helpFile)) {
        return false;
    }
    ShowTopic(defaultTopic_);
    return true;
}

bool HelpViewer::OpenKeyword(const QString& helpFile, const QString& keyword) {
    if (!OpenFile(helpFile)) {
        return false;
    }
    QString topic = defaultTopic_;
    const auto index =
        indexFile_.isEmpty() ? std::nullopt : browser_->ReadObject(AsTopic(indexFile_));
    if (index) {
        const auto found = SitemapIndex::FindTopic(ChmBrowser::DecodeText(*index).toStdString(),
                                                   keyword.toStdString());
        if (found && browser_->ReadObject(AsTopic(QString::fromStdString(*found)))) {
            topic = AsTopic(QString::fromStdString(*found));
        }
    }
    ShowTopic(topic);
    return true;
}

QString HelpViewer::CurrentTopic() const {
    return browser_->source().path();
}

bool HelpViewer::OpenFile(const QString& helpFile) {
    auto archive = ChmArchive::Open(helpFile);
    if (archive == nullptr) {
        return false;
    }
    const auto system = archive->Read(QStringLiteral("/#SYSTEM"));
    if (!system) {
        return false;
    }
    const ChmSystemFile info =
        ChmSystemFile::Parse(std::string_view(system->constData(), system->size()));
    const QString defaultTopic = AsTopic(QString::fromStdString(info.DefaultTopic));
    if (info.DefaultTopic.empty() || !archive->Read(defaultTopic)) {
        return false;
    }
    defaultTopic_ = defaultTopic;
    indexFile_ = QString::fromStdString(info.IndexFile);
    title_ = ChmBrowser::DecodeText(QByteArray::fromStdString(info.Title));
    browser_->SetArchive(std::move(archive));
    home_->setEnabled(true);
    return true;
}

void HelpViewer::ShowTopic(const QString& topic) {
    browser_->setSource(ChmBrowser::TopicUrl(topic));
}

void HelpViewer::UpdateTitle() {
    const QString page = browser_->documentTitle();
    const QString file = title_.isEmpty() ? QString::fromUtf8(texts::HelpTitle) : title_;
    setWindowTitle(page.isEmpty() ? file : page + QStringLiteral(" - ") + file);
}

} // namespace tessary
