// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/HelpViewer.h"
#include "app/ui/ChmBrowser.h"
#include "app/ui/HelpCommands.h"
#include "data/Dialogs.h"
#include "texts/Texts.h"

#include <QFile>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

using namespace tessary;

namespace {

const QString ShippedHelp = QStringLiteral(TESSARY_BIN_DIR "/tessary.chm");

class RecordingDialogs : public Dialogs {
public:
    MessageAnswer Show(MessageKind kind, const std::string& text, MessageButtons) override {
        if (kind == MessageKind::Error) {
            Errors.push_back(text);
        }
        return MessageAnswer::Ok;
    }
    std::vector<std::string> Errors;
};

struct PageRefs {
    QStringList Links;
    QStringList Images;
};

PageRefs References(const QTextDocument& document) {
    PageRefs refs;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isImageFormat()) {
                refs.Images << format.toImageFormat().name();
            } else if (format.isAnchor() && !format.anchorHref().isEmpty()) {
                refs.Links << format.anchorHref();
            }
        }
    }
    return refs;
}

// Pixels close to the emblem's blue, in the window as drawn.
int EmblemPixels(QWidget& widget) {
    const QImage image = widget.grab().toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - 0x1f) < 12 && qAbs(c.green() - 0x4e) < 12 &&
                qAbs(c.blue() - 0x8c) < 12) {
                ++count;
            }
        }
    }
    return count;
}

} // namespace

class HelpViewerTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY2(QFile::exists(ShippedHelp), qPrintable(ShippedHelp)); }

    void showsTheDefaultTopicWithItsImage() {
        HelpViewer viewer;
        QVERIFY(viewer.OpenDefaultTopic(ShippedHelp));
        QCOMPARE(viewer.CurrentTopic(), QStringLiteral("/index.html"));
        QCOMPARE(viewer.Browser()->documentTitle(), QStringLiteral("Tessary ヘルプ 目次"));
        QVERIFY(viewer.Browser()->toPlainText().contains(QStringLiteral("記録ﾁｬﾝﾈﾙ")));
        QVERIFY(viewer.windowTitle().startsWith(QStringLiteral("Tessary ヘルプ 目次")));

        const QVariant emblem = viewer.Browser()->document()->resource(
            QTextDocument::ImageResource, QUrl(QStringLiteral("emblem.png")));
        const QImage image = emblem.typeId() == QMetaType::QByteArray
                                 ? QImage::fromData(emblem.toByteArray())
                                 : qvariant_cast<QImage>(emblem);
        QVERIFY2(image.size() == QSize(64, 64), emblem.typeName());

        viewer.resize(800, 600);
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QVERIFY2(EmblemPixels(viewer) > 500, "the emblem is not drawn");
    }

    void followsLinksAndGoesBack() {
        HelpViewer viewer;
        QVERIFY(viewer.OpenDefaultTopic(ShippedHelp));
        emit viewer.Browser()->anchorClicked(QUrl(QStringLiteral("setup.html")));
        QCOMPARE(viewer.CurrentTopic(), QStringLiteral("/setup.html"));
        QCOMPARE(viewer.Browser()->documentTitle(), QStringLiteral("計測の準備と実行"));
        QVERIFY(viewer.Browser()->isBackwardAvailable());
        viewer.Browser()->backward();
        QCOMPARE(viewer.CurrentTopic(), QStringLiteral("/index.html"));
    }

    // Every page reachable from the default topic loads, and every link and image in the
    // shipped help points at something in the file.
    void everyLinkAndImageOfTheHelpResolves() {
        HelpViewer viewer;
        QVERIFY(viewer.OpenDefaultTopic(ShippedHelp));
        ChmBrowser& browser = *viewer.Browser();
        QStringList queue{QStringLiteral("/index.html")};
        QSet<QString> seen{queue.front()};
        int images = 0;
        while (!queue.isEmpty()) {
            const QString topic = queue.takeFirst();
            browser.setSource(ChmBrowser::TopicUrl(topic));
            QCOMPARE(viewer.CurrentTopic(), topic);
            QVERIFY2(!browser.documentTitle().isEmpty(), qPrintable(topic));
            const PageRefs refs = References(*browser.document());
            for (const QString& image : refs.Images) {
                const QUrl url = browser.source().resolved(QUrl(image));
                QVERIFY2(browser.ReadObject(url.path()), qPrintable(topic + " → " + image));
                ++images;
            }
            for (const QString& link : refs.Links) {
                const QUrl url = browser.source().resolved(QUrl(link));
                QCOMPARE(url.scheme(), QStringLiteral("chm"));
                QVERIFY2(browser.ReadObject(url.path()), qPrintable(topic + " → " + link));
                if (!seen.contains(url.path())) {
                    seen.insert(url.path());
                    queue << url.path();
                }
            }
        }
        QVERIFY(seen.size() >= 12);
        QVERIFY(images >= 1);
    }

    void opensTheTopicOfAKeyword() {
        HelpViewer viewer;
        QVERIFY(viewer.OpenKeyword(ShippedHelp, QStringLiteral("AD変換データ")));
        QCOMPARE(viewer.CurrentTopic(), QStringLiteral("/channels.html"));
        QVERIFY(viewer.Browser()->toPlainText().contains(QStringLiteral("AD変換データの値")));
        QVERIFY(viewer.OpenKeyword(ShippedHelp, QStringLiteral("AdLibSim.ini")));
        QCOMPARE(viewer.CurrentTopic(), QStringLiteral("/simcard.html"));
        QVERIFY(viewer.OpenKeyword(ShippedHelp, QStringLiteral("no such keyword")));
        QCOMPARE(viewer.CurrentTopic(), QStringLiteral("/index.html"));
    }

    void refusesFilesThatAreNoHelpAndKeepsThePage() {
        QTemporaryDir folder;
        const QString text = folder.filePath(QStringLiteral("notes.chm"));
        QFile file(text);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("ITSF but not really a compiled help file");
        file.close();

        HelpViewer viewer;
        QVERIFY(viewer.OpenKeyword(ShippedHelp, QStringLiteral("AD変換データ")));
        QVERIFY(!viewer.OpenDefaultTopic(text));
        QVERIFY(!viewer.OpenDefaultTopic(folder.filePath(QStringLiteral("missing.chm"))));
        QVERIFY(!viewer.OpenKeyword(text, QStringLiteral("AD変換データ")));
        QCOMPARE(viewer.CurrentTopic(), QStringLiteral("/channels.html"));
        emit viewer.Browser()->anchorClicked(QUrl(QStringLiteral("save.html")));
        QCOMPARE(viewer.CurrentTopic(), QStringLiteral("/save.html"));
    }

    void decodesPagesInTheirEncoding() {
        const QString expected = QStringLiteral("計測ヘルプ");
        const QByteArray cp932("\x8c\x76\x91\xaa\x83\x77\x83\x8b\x83\x76");
        QCOMPARE(ChmBrowser::DecodeText(cp932), expected);
        QCOMPARE(ChmBrowser::DecodeText("<meta charset=\"Shift_JIS\">" + cp932),
                 QStringLiteral("<meta charset=\"Shift_JIS\">") + expected);
        QCOMPARE(ChmBrowser::DecodeText(expected.toUtf8()), expected);
        QCOMPARE(ChmBrowser::DecodeText("<meta http-equiv=\"Content-Type\" content=\"text/html; "
                                        "charset=utf-8\">" +
                                        expected.toUtf8())
                     .right(expected.size()),
                 expected);
    }

    void commandsReportMissingFilesAndReuseTheWindow() {
        RecordingDialogs dialogs;
        HelpCommands help(dialogs);
        QTemporaryDir folder;
        const std::string missing = folder.filePath(QStringLiteral("tessary.chm")).toStdString();

        help.Contents(missing);
        QCOMPARE(dialogs.Errors, std::vector<std::string>{missing + " が見つかりません"});
        QVERIFY(help.Viewer() == nullptr);

        help.Contents(ShippedHelp.toStdString());
        QCOMPARE(dialogs.Errors.size(), std::size_t{1});
        HelpViewer* viewer = help.Viewer();
        QVERIFY(viewer != nullptr);
        QVERIFY(viewer->isVisible());
        QVERIFY(viewer->parentWidget() == nullptr);
        QCOMPARE(viewer->CurrentTopic(), QStringLiteral("/index.html"));

        help.Keyword(ShippedHelp.toStdString(), texts::ChannelHelpKeyword);
        QCOMPARE(help.Viewer(), viewer);
        QCOMPARE(viewer->CurrentTopic(), QStringLiteral("/channels.html"));

        viewer->close();
        help.Keyword(missing, texts::ChannelHelpKeyword);
        QCOMPARE(dialogs.Errors.size(), std::size_t{2});
        QVERIFY(!viewer->isVisible());
    }
};

QTEST_MAIN(HelpViewerTest)
#include "HelpViewerTest.moc"
